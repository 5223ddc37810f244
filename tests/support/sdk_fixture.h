// A fresh library and device model for every test: no bridge selected, not
// connected, log off and closed, empty error registry, an empty virtual HID
// bus, the virtual clock at zero, and a scratch working directory for the
// log file.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "include/VemoMonitorSdk.h"
#include "sim/virtual_hid_bus.h"
#include "tests/support/bytes.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/virtual_clock.h"

namespace vemo::test {

class SdkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static sim::VirtualHidBus& bus() { return sim::VirtualHidBus::instance(); }

  // Adds a recognised bridge with monitor and scaler behind it.
  sim::StandardBridge addBridge(const std::string& path = "/dev/virtual/bridge0",
                                const std::wstring& serial = L"BRIDGE-0");
  // Adds the standard bridge (kept in `dev_`), connects to it and clears the
  // records, so a test sees only its own traffic.
  void connectStandard();

  // The log file's lines, or none when it does not exist.
  std::vector<std::string> logLines() const;
  bool logExists() const;
  // Log lines without their time stamp ("DEBUG ZQ_API:...").
  std::vector<std::string> logMessages() const;

  // The standard monitor's traffic in hex: the frames the host wrote, and
  // the replies as the host read them.
  std::vector<std::string> hostFrames() const;
  std::vector<std::string> repliesRead() const;

  sim::StandardBridge dev_;

 private:
  std::optional<ScratchDirectory> scratch_;
};

}  // namespace vemo::test
