#include "fuzz/support/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/VemoMonitorSdk.h"

namespace vemo::fuzz {
namespace {

constexpr const char* kLogFileName = "VemoMonitorSdk.log";
std::uint64_t slept = 0;
LogSink logSink = LogSink::Discard;
std::string scratchDirectory;

void removeScratchDirectory() {
  _LOGStop();
  unlink((scratchDirectory + "/" + kLogFileName).c_str());
  rmdir(scratchDirectory.c_str());
}

}  // namespace

void prepareProcess(LogSink sink) {
  logSink = sink;
  std::string pattern = "/tmp/vemo-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr || chdir(buffer.data()) != 0) violated("scratch directory");
  scratchDirectory = buffer.data();
  std::atexit(removeScratchDirectory);
  if (sink == LogSink::Discard && symlink("/dev/null", kLogFileName) != 0) violated("log link");
  if (std::freopen("/dev/null", "w", stdout) == nullptr) violated("silencing stdout");
}

void resetLibrary() {
  DisconnectMonitor();
  CloseDevice();
  SelectedDevice = nullptr;
  SetDebugLevel(0);
  _LOGStop();
  if (logSink == LogSink::File) unlink(kLogFileName);
  std::memset(SerialNumbers, 0, sizeof SerialNumbers);
  std::memset(LastErrorCode, 0, sizeof LastErrorCode);
  FeatureData[0] = 0x00;
  FeatureData[1] = 0x01;
  FeatureData[2] = 0xCA;
  sim::VirtualHidBus::instance().clear();
  sim::VirtualHidBus::instance().enumerations = 0;
  resetClock();
}

sim::StandardBridge plugStandardBridge() {
  sim::StandardBridge s = sim::makeStandardBridge();
  sim::VirtualHidBus::instance().addBridge("/dev/fuzz/bridge0", L"FUZZ-BRIDGE-0", s.bridge);
  return s;
}

std::uint64_t sleptMicroseconds() { return slept; }
void resetClock() { slept = 0; }

void violated(const char* rule) {
  std::fprintf(stderr, "fuzz harness: rule broken: %s\n", rule);
  std::abort();
}

}  // namespace vemo::fuzz

// Takes the place of libc's usleep for the whole harness: the 100 ms waits
// of the command channel are counted, not slept.
extern "C" int usleep(useconds_t microseconds) {
  vemo::fuzz::slept += microseconds;
  return 0;
}
