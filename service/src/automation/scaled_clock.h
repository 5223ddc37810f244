// The automation's own clock: real time, or real time sped up for tests and
// the benchmark (vemod --time-scale), so that ten minutes of changing light
// pass in seconds. Only the automation's waits (AutoInterval, AutoPause) use it.
#pragma once

#include <chrono>

namespace vemod::automation {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

class ScaledClock {
 public:
  // `scale` > 0: how many seconds of automation time pass in one real second.
  static void setScale(double scale);
  static double scale();

  // Now, in automation time.
  static Clock::time_point now();
  // The real time at which automation time `when` comes.
  static Clock::time_point realTimeOf(Clock::time_point when);
  static Clock::duration of(Seconds span) { return std::chrono::duration_cast<Clock::duration>(span); }
};

}  // namespace vemod::automation
