#include "sim/preload/persistent_targets.h"

namespace vemo::sim {

bool PersistentMonitor::write(const std::uint8_t* data, std::size_t length) {
  return guard_([&] { return VirtualMonitor::write(data, length); });
}

bool PersistentScaler::write(const std::uint8_t* data, std::size_t length) {
  return guard_([&] { return VirtualScaler::write(data, length); });
}

bool PersistentScaler::read(std::uint8_t* data, std::size_t length) {
  return guard_([&] { return VirtualScaler::read(data, length); });
}

}  // namespace vemo::sim
