#include "sim/virtual_hid_bus.h"

namespace vemo::sim {

StandardBridge makeStandardBridge() {
  StandardBridge s{std::make_shared<VirtualBridge>(), std::make_shared<VirtualMonitor>(),
                   std::make_shared<VirtualScaler>()};
  s.bridge->attach(0x37, s.monitor);
  s.bridge->attach(0x4A, s.scaler);
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
