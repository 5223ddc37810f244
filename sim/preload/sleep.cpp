// The library waits 100 ms before each poll of a reply. With VEMO_SIM_FAST set
// (meant for test suites only) the simulated process skips every usleep, so a
// full dump takes milliseconds instead of seconds.
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace {
bool skipSleeps() {
  static const bool skip = [] {
    const char* fast = std::getenv("VEMO_SIM_FAST");
    return fast != nullptr && *fast != '\0' && *fast != '0';
  }();
  return skip;
}
}  // namespace

extern "C" int usleep(useconds_t microseconds) {
  if (skipSleeps()) return 0;
  timespec ts{static_cast<time_t>(microseconds / 1000000), static_cast<long>(microseconds % 1000000) * 1000};
  while (nanosleep(&ts, &ts) != 0) {
  }
  return 0;
}
