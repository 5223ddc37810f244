#include "fuzz/support/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "include/VemoMonitorSdk.h"
#include "tests/support/library_reset.h"
#include "tests/support/scratch_directory.h"

namespace vemo::fuzz {
namespace {

constexpr const char* kLogFileName = "VemoMonitorSdk.log";
LogSink logSink = LogSink::Discard;
std::optional<test::ScratchDirectory> scratch;

void removeScratchDirectory() {
  _LOGStop();
  scratch.reset();
}

}  // namespace

void prepareProcess(LogSink sink) {
  logSink = sink;
  scratch.emplace("vemo-fuzz");
  std::atexit(removeScratchDirectory);
  if (sink == LogSink::Discard && symlink("/dev/null", kLogFileName) != 0) violated("log link");
  if (std::freopen("/dev/null", "w", stdout) == nullptr) violated("silencing stdout");
  test::VirtualClock::onlyCount(true);
}

void resetLibrary() {
  test::resetLibrary();
  if (logSink == LogSink::File) unlink(kLogFileName);
  test::resetVirtualBus();
  test::VirtualClock::reset();
}

sim::StandardBridge plugStandardBridge() {
  sim::StandardBridge s = sim::makeStandardBridge();
  sim::VirtualHidBus::instance().addBridge("/dev/fuzz/bridge0", L"FUZZ-BRIDGE-0", s.bridge);
  return s;
}

void violated(const char* rule) {
  std::fprintf(stderr, "fuzz harness: rule broken: %s\n", rule);
  std::abort();
}

}  // namespace vemo::fuzz
