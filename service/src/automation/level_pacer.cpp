#include "service/src/automation/level_pacer.h"

#include <cmath>

namespace vemod::automation {

bool LevelPacer::wanted(double current) const {
  // The rounding error of a decimal 0.05 must not hide a step of exactly 0.05.
  return target_ && (current < 0 || std::fabs(*target_ - current) >= kHysteresis - 1e-9);
}

std::optional<double> LevelPacer::due(double current, Clock::time_point now) {
  if (paused(now) || !wanted(current)) return std::nullopt;
  if (lastWrite_ && now < *lastWrite_ + interval_) return std::nullopt;
  lastWrite_ = now;
  return target_;
}

std::optional<Clock::time_point> LevelPacer::nextWake(double current) const {
  if (pausedUntil_) return *pausedUntil_;
  if (!wanted(current)) return std::nullopt;
  if (!lastWrite_) return Clock::time_point::min();
  return *lastWrite_ + interval_;
}

}  // namespace vemod::automation
