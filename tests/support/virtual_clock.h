// The tests' clock: the library's usleep lands here, so an exchange's 100 ms
// waits are counted instead of slept.
#pragma once

#include <cstdint>
#include <vector>

namespace vemo::test {

class VirtualClock {
 public:
  // Every sleep requested since the last reset, in microseconds.
  static const std::vector<std::uint64_t>& sleeps();
  static std::uint64_t elapsedMicroseconds();
  static void reset();
  // Really sleep as well (for the few tests that mean to wait).
  static void sleepForReal(bool real);
};

}  // namespace vemo::test
