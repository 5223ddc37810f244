// The benchmarks' clock: the library's usleep lands here and returns at once,
// so an exchange costs only its own work. The requests are counted.
#pragma once

#include <cstdint>

namespace vemo::bench {

struct InstantSleep {
  static std::uint64_t calls();
  static std::uint64_t requestedMicroseconds();
  static void reset();
};

}  // namespace vemo::bench
