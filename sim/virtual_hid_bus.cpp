#include "sim/virtual_hid_bus.h"

namespace vemo::sim {

namespace {
constexpr std::uint8_t kMonitorAddress = 0x37;
constexpr std::uint8_t kScalerAddress = 0x4A;
}  // namespace

StandardBridge makeStandardBridge() {
  return makeStandardBridge(std::make_shared<VirtualMonitor>(), std::make_shared<VirtualScaler>());
}

StandardBridge makeStandardBridge(std::shared_ptr<VirtualMonitor> monitor,
                                  std::shared_ptr<VirtualScaler> scaler) {
  StandardBridge s{std::make_shared<VirtualBridge>(), std::move(monitor), std::move(scaler)};
  s.bridge->attach(kMonitorAddress, s.monitor);
  s.bridge->attach(kScalerAddress, s.scaler);
  return s;
}

VirtualHidBus& VirtualHidBus::instance() {
  static VirtualHidBus bus;
  return bus;
}

VirtualHidDevice& VirtualHidBus::add(VirtualHidDevice device) {
  devices_.push_back(std::move(device));
  return devices_.back();
}

VirtualHidDevice& VirtualHidBus::addBridge(const std::string& path, const std::wstring& serial,
                                           std::shared_ptr<VirtualBridge> bridge) {
  VirtualHidDevice device;
  device.path = path;
  device.serial = serial;
  device.bridge = std::move(bridge);
  return add(std::move(device));
}

VirtualHidDevice* VirtualHidBus::find(const std::string& path) {
  for (VirtualHidDevice& d : devices_) {
    if (d.path == path) return &d;
  }
  return nullptr;
}

int VirtualHidBus::openHandles() const {
  int open = 0;
  for (const VirtualHidDevice& d : devices_) open += d.openHandles;
  return open;
}

}  // namespace vemo::sim
