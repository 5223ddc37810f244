#include "tests/support/virtual_clock.h"

#include <time.h>
#include <unistd.h>

namespace vemo::test {
namespace {
std::vector<std::uint64_t> recorded;
std::uint64_t count = 0;
std::uint64_t elapsed = 0;
bool real = false;
bool countOnly = false;
}  // namespace

const std::vector<std::uint64_t>& VirtualClock::sleeps() { return recorded; }
std::uint64_t VirtualClock::calls() { return count; }
std::uint64_t VirtualClock::elapsedMicroseconds() { return elapsed; }
void VirtualClock::reset() {
  recorded.clear();
  count = 0;
  elapsed = 0;
}
void VirtualClock::sleepForReal(bool r) { real = r; }
void VirtualClock::onlyCount(bool only) { countOnly = only; }

}  // namespace vemo::test

// Takes the place of libc's usleep for the whole program.
extern "C" int usleep(useconds_t microseconds) {
  if (!vemo::test::countOnly) vemo::test::recorded.push_back(microseconds);
  ++vemo::test::count;
  vemo::test::elapsed += microseconds;
  if (vemo::test::real) {
    timespec ts{static_cast<time_t>(microseconds / 1000000),
                static_cast<long>(microseconds % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0) {
    }
  }
  return 0;
}
