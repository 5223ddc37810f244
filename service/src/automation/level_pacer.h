// When the light's level may be written: only when it differs from the
// current level by the hysteresis or more, at most once per interval (the
// latest target wins when the interval has passed), and not while a client's
// own change holds the automation paused.
#pragma once

#include <optional>

#include "service/src/automation/scaled_clock.h"

namespace vemod::automation {

inline constexpr double kHysteresis = 0.05;

class LevelPacer {
 public:
  void setInterval(Clock::duration interval) { interval_ = interval; }
  // The level the light asks for now; nothing without a sensor.
  void offer(std::optional<double> target) { target_ = target; }

  // The level to set at `now` given the `current` one (negative: none yet),
  // or nothing; a level handed out counts as written at `now`.
  std::optional<double> due(double current, Clock::time_point now);
  // When due() may next hand out a level, or nothing while nothing waits.
  std::optional<Clock::time_point> nextWake(double current) const;

  void pauseUntil(Clock::time_point until) { pausedUntil_ = until; }
  void resume() { pausedUntil_.reset(); }
  bool paused(Clock::time_point now) const { return pausedUntil_ && now < *pausedUntil_; }
  std::optional<Clock::time_point> pausedUntil() const { return pausedUntil_; }

 private:
  bool wanted(double current) const;

  Clock::duration interval_ = std::chrono::seconds(10);
  std::optional<double> target_;
  std::optional<Clock::time_point> lastWrite_;
  std::optional<Clock::time_point> pausedUntil_;
};

}  // namespace vemod::automation
