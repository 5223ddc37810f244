// The clock of the test, fuzz and benchmark programs: the library's usleep
// lands here, so an exchange's 100 ms waits are counted instead of slept.
// A program gets it by linking the vemo_virtual_clock objects.
#pragma once

#include <cstdint>
#include <vector>

namespace vemo::test {

class VirtualClock {
 public:
  // Every sleep requested since the last reset, in microseconds (empty while
  // the sleeps are only counted).
  static const std::vector<std::uint64_t>& sleeps();
  static std::uint64_t calls();
  static std::uint64_t elapsedMicroseconds();
  static void reset();
  // Really sleep as well (for the few tests that mean to wait).
  static void sleepForReal(bool real);
  // Keep only the count and the sum, not each sleep: for programs that make
  // millions of exchanges and must not grow with them.
  static void onlyCount(bool on);
};

}  // namespace vemo::test
