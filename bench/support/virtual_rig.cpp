#include "bench/support/virtual_rig.h"

#include <unistd.h>

#include <fstream>

#include "include/VemoMonitorSdk.h"
#include "tests/support/library_reset.h"

namespace vemo::bench {
namespace {

sim::VirtualHidBus& bus() { return sim::VirtualHidBus::instance(); }

bool hasBridgeIds(const sim::VirtualHidDevice& d) {
  return d.vendorId == sim::kBridgeVendorId && d.productId == sim::kBridgeProductId;
}

sim::VirtualHidDevice foreignDevice(int position) {
  struct Ids {
    std::uint16_t vendor;
    std::uint16_t product;
  };
  static constexpr Ids kLookalikes[] = {
      {0x046D, 0xC52B},                 // an unrelated receiver
      {sim::kBridgeVendorId, 0xE012},   // the bridge's vendor, another product
      {0x1209, sim::kBridgeProductId},  // another vendor, the bridge's product number
  };
  const Ids& ids = kLookalikes[position % 3];
  sim::VirtualHidDevice d;
  d.path = "/dev/virtual/hid" + std::to_string(position);
  d.vendorId = ids.vendor;
  d.productId = ids.product;
  d.serial = L"OTHER-" + std::to_wstring(position);
  return d;
}

}  // namespace

ConnectedMonitor::ConnectedMonitor(unsigned char logLevel) {
  test::resetLibrary();
  test::resetVirtualBus();
  device_ = sim::makeStandardBridge();
  hidDevice_ = &bus().addBridge("/dev/virtual/bridge0", L"BRIDGE-0", device_.bridge);
  SetDebugLevel(logLevel);
  connected_ = ConnectMonitor(0) == STATUS_OK;
  forgetTraffic();
}

ConnectedMonitor::~ConnectedMonitor() {
  test::resetLibrary();  // closes the log before the scratch directory goes
  test::resetVirtualBus();
}

void ConnectedMonitor::forgetTraffic() const {
  device_.bridge->clearRecord();
  device_.monitor->clearRecord();
  hidDevice_->readTimeouts.clear();
}

PopulatedBus::PopulatedBus(int devices, int bridges) {
  test::resetLibrary();
  test::resetVirtualBus();
  int stride = devices / bridges;
  int bridgeNumber = 0;
  for (int i = 0; i < devices; ++i) {
    if ((i + 1) % stride == 0 && bridgeNumber < bridges) {
      sim::StandardBridge b = sim::makeStandardBridge();
      bus().addBridge("/dev/virtual/bridge" + std::to_string(bridgeNumber),
                      L"BRIDGE-" + std::to_wstring(bridgeNumber), b.bridge);
      bridges_.push_back(b.bridge);
      ++bridgeNumber;
    } else {
      bus().add(foreignDevice(i));
    }
  }
}

PopulatedBus::~PopulatedBus() {
  test::resetLibrary();
  test::resetVirtualBus();
}

void PopulatedBus::forgetTraffic() const {
  for (const auto& bridge : bridges_) bridge->clearRecord();
  for (sim::VirtualHidDevice& d : bus().devices()) d.readTimeouts.clear();
}

int PopulatedBus::foreignOpens() const {
  int opens = 0;
  for (const sim::VirtualHidDevice& d : bus().devices()) {
    if (!hasBridgeIds(d)) opens += d.opens;
  }
  return opens;
}

int PopulatedBus::bridgeOpens() const {
  int opens = 0;
  for (const sim::VirtualHidDevice& d : bus().devices()) {
    if (hasBridgeIds(d)) opens += d.opens;
  }
  return opens;
}

int PopulatedBus::openHandles() const { return bus().openHandles(); }

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long sizePages = 0;
  long residentPages = 0;
  if (!(statm >> sizePages >> residentPages)) return -1;
  return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace vemo::bench
