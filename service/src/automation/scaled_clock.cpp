#include "service/src/automation/scaled_clock.h"

namespace vemod::automation {
namespace {

double gScale = 1.0;
const Clock::time_point gOrigin = Clock::now();

}  // namespace

void ScaledClock::setScale(double scale) { gScale = scale > 0 ? scale : 1.0; }

double ScaledClock::scale() { return gScale; }

Clock::time_point ScaledClock::now() {
  if (gScale == 1.0) return Clock::now();
  return gOrigin + std::chrono::duration_cast<Clock::duration>((Clock::now() - gOrigin) * gScale);
}

Clock::time_point ScaledClock::realTimeOf(Clock::time_point when) {
  if (gScale == 1.0) return when;
  return gOrigin + std::chrono::duration_cast<Clock::duration>((when - gOrigin) / gScale);
}

}  // namespace vemod::automation
