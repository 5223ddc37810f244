#include "bench/support/instant_sleep.h"

#include <unistd.h>

namespace vemo::bench {
namespace {
std::uint64_t sleepCalls = 0;
std::uint64_t sleptMicroseconds = 0;
}  // namespace

std::uint64_t InstantSleep::calls() { return sleepCalls; }
std::uint64_t InstantSleep::requestedMicroseconds() { return sleptMicroseconds; }
void InstantSleep::reset() {
  sleepCalls = 0;
  sleptMicroseconds = 0;
}

}  // namespace vemo::bench

// Takes the place of libc's usleep for the whole benchmark program.
extern "C" int usleep(useconds_t microseconds) {
  ++vemo::bench::sleepCalls;
  vemo::bench::sleptMicroseconds += microseconds;
  return 0;
}
