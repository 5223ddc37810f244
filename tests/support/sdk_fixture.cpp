#include "tests/support/sdk_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vemo::test {

void SdkTest::SetUp() {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  previousDir_ = cwd;
  std::string pattern = (std::filesystem::temp_directory_path() / "vemo-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  ASSERT_NE(mkdtemp(buffer.data()), nullptr);
  scratchDir_ = buffer.data();
  ASSERT_EQ(chdir(scratchDir_.c_str()), 0);

  bus().clear();
  bus().enumerations = 0;
  VirtualClock::reset();
  VirtualClock::sleepForReal(false);
  std::memset(SerialNumbers, 0, sizeof SerialNumbers);
  std::memset(LastErrorCode, 0, sizeof LastErrorCode);
  FeatureData[0] = 0x00;
  FeatureData[1] = 0x01;
  FeatureData[2] = 0xCA;
}

void SdkTest::TearDown() {
  DisconnectMonitor();
  CloseDevice();
  SelectedDevice = nullptr;
  SetDebugLevel(0);
  _LOGStop();
  bus().clear();
  if (!previousDir_.empty()) (void)chdir(previousDir_.c_str());
  std::error_code ignored;
  if (!scratchDir_.empty()) std::filesystem::remove_all(scratchDir_, ignored);
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

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[16];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += digits;
  }
  return out;
}

std::vector<std::uint8_t> bytesOf(const std::string& hexText) {
  std::vector<std::uint8_t> out;
  std::istringstream in(hexText);
  for (std::string byte; in >> byte;) {
    out.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  return out;
}

}  // namespace vemo::test
