#include "tests/support/library_reset.h"

#include <cstring>

#include "include/VemoMonitorSdk.h"
#include "sim/virtual_hid_bus.h"

namespace vemo::test {

void resetLibrary() {
  DisconnectMonitor();
  CloseDevice();
  SelectedDevice = nullptr;
  SetDebugLevel(VEMO_LOG_OFF);
  _LOGStop();
  std::memset(SerialNumbers, 0, sizeof SerialNumbers);
  std::memset(LastErrorCode, 0, sizeof LastErrorCode);
  FeatureData[0] = 0x00;
  FeatureData[1] = 0x01;
  FeatureData[2] = 0xCA;
}

void resetVirtualBus() {
  sim::VirtualHidBus::instance().clear();
  sim::VirtualHidBus::instance().enumerations = 0;
}

}  // namespace vemo::test
