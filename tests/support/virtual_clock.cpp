#include "tests/support/virtual_clock.h"

#include <time.h>
#include <unistd.h>

namespace vemo::test {
namespace {
std::vector<std::uint64_t> recorded;
std::uint64_t elapsed = 0;
bool real = false;
}  // namespace

const std::vector<std::uint64_t>& VirtualClock::sleeps() { return recorded; }
std::uint64_t VirtualClock::elapsedMicroseconds() { return elapsed; }
void VirtualClock::reset() {
  recorded.clear();
  elapsed = 0;
}
void VirtualClock::sleepForReal(bool r) { real = r; }

}  // namespace vemo::test

// Takes the place of libc's usleep for the whole test program.
extern "C" int usleep(useconds_t microseconds) {
  vemo::test::recorded.push_back(microseconds);
  vemo::test::elapsed += microseconds;
  if (vemo::test::real) {
    timespec ts{static_cast<time_t>(microseconds / 1000000),
                static_cast<long>(microseconds % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0) {
    }
  }
  return 0;
}
