#include "sim/simulator/persistent_targets.h"

namespace vemo::sim {
namespace {
constexpr std::uint8_t kWriteOpcode = 0xEA;
}

bool PersistentMonitor::write(const std::uint8_t* data, std::size_t length) {
  bool taken = VirtualMonitor::write(data, length);
  // Reads never change a setting; only write frames can.
  if (length > 2 && data[2] == kWriteOpcode) changed_();
  return taken;
}

bool PersistentScaler::write(const std::uint8_t* data, std::size_t length) {
  bool taken = VirtualScaler::write(data, length);
  if (length > 1) changed_();
  return taken;
}

}  // namespace vemo::sim
