// The machine every end-to-end test runs on: a umockdev testbed with three
// USB HID devices, in the order hidapi lists them
//   1-3  0451:CA01 with the wrong feature answer (01 CB), serial E2E-IMPOSTOR
//   1-2  0451:CA01, the bridge with monitor and scaler behind it, serial E2E-BRIDGE-1
//   1-1  046D:C31C, a keyboard without the bridge's report protocol
// and the shipped library talking to them through the system's hidapi and
// libusb. Each test starts with a freshly plugged bridge and an empty error
// registry.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "include/VemoMonitorSdk.h"
#include "sim/virtual_hid_bus.h"
#include "tests/support/bytes.h"
#include "tests/usb/usb_testbed.h"

namespace vemo::usb {

class UsbMachine : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  static UsbMachine& instance();
  UsbfsDevice& bridge() { return *bridge_; }
  UsbfsDevice& impostor() { return *impostor_; }
  UsbfsDevice& keyboard() { return *keyboard_; }

 private:
  std::unique_ptr<UsbTestbed> testbed_;
  UsbfsDevice* bridge_ = nullptr;
  UsbfsDevice* impostor_ = nullptr;
  UsbfsDevice* keyboard_ = nullptr;
};

// Where a symbol the library uses was really loaded from ("" when unknown).
std::string objectDefining(const char* symbol);
std::string realPath(const std::string& path);

class UsbE2eTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  UsbfsDevice& bridgeDevice() { return UsbMachine::instance().bridge(); }
  UsbfsDevice& impostorDevice() { return UsbMachine::instance().impostor(); }
  UsbfsDevice& keyboardDevice() { return UsbMachine::instance().keyboard(); }
  void connect();  // ConnectMonitor(0), then forgets the traffic it caused

  // The interrupt traffic of the bridge as "OUT 05 01 37 ..." lines, with
  // trailing zeros of 64-byte reports folded into "+N*00".
  std::vector<std::string> bridgeTraffic();

  sim::StandardBridge model_;
};

using test::bytesOf;
using test::hex;
// A 64-byte report: the given bytes, then zeros.
Bytes report(const std::string& hexText);
std::string packetLine(const InterruptPacket& packet);
// The line of a 64-byte report that starts with the given bytes.
std::string outLine(const std::string& hexText);
std::string inLine(const std::string& hexText);

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start);

}  // namespace vemo::usb
