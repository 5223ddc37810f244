#include "tests/support/sdk_fixture.h"

#include <filesystem>
#include <fstream>

#include "tests/support/library_reset.h"

namespace vemo::test {

void SdkTest::SetUp() {
  scratch_.emplace("vemo-test");
  resetLibrary();
  resetVirtualBus();
  VirtualClock::reset();
  VirtualClock::sleepForReal(false);
}

void SdkTest::TearDown() {
  resetLibrary();  // closes the log before its directory goes
  resetVirtualBus();
  scratch_.reset();
}

sim::StandardBridge SdkTest::addBridge(const std::string& path, const std::wstring& serial) {
  sim::StandardBridge s = sim::makeStandardBridge();
  bus().addBridge(path, serial, s.bridge);
  return s;
}

void SdkTest::connectStandard() {
  dev_ = addBridge();
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  dev_.bridge->clearRecord();
  dev_.monitor->clearRecord();
  VirtualClock::reset();
}

bool SdkTest::logExists() const { return std::filesystem::exists("VemoMonitorSdk.log"); }

std::vector<std::string> SdkTest::logLines() const {
  std::vector<std::string> lines;
  std::ifstream in("VemoMonitorSdk.log");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> SdkTest::logMessages() const {
  std::vector<std::string> out;
  for (const std::string& line : logLines()) {
    // "YYYY-MM-DD HH:MM:SS " is 20 characters; the separator has no stamp.
    out.push_back(line.size() > 20 && line[4] == '-' && line[19] == ' ' ? line.substr(20) : line);
  }
  return out;
}

std::vector<std::string> SdkTest::hostFrames() const {
  std::vector<std::string> out;
  for (const auto& frame : dev_.monitor->hostFrames()) out.push_back(hex(frame));
  return out;
}

std::vector<std::string> SdkTest::repliesRead() const {
  std::vector<std::string> out;
  for (const sim::FrameRecord& f : dev_.monitor->frames()) {
    if (!f.fromHost) out.push_back(hex(f.bytes));
  }
  return out;
}

}  // namespace vemo::test
