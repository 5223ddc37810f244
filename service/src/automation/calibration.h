// A monitor's calibration: which brightness gives a level of light, so that
// one level looks alike on monitors of different range and response.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vemod::automation {

inline constexpr double kMinCurve = 0.2;
inline constexpr double kMaxCurve = 5.0;

struct Calibration {
  std::uint8_t min = 0;
  std::uint8_t max = 100;
  double curve = 1.0;
  bool linked = true;
};

// round(min + (max - min) * level ^ curve), put on brightness' accepted range
// and step; `level` is clamped to 0..1.
std::uint8_t brightnessFor(const Calibration& calibration, double level);

// Why a calibration cannot be taken, or nothing when it can.
std::optional<std::string> calibrationProblem(const Calibration& calibration);

}  // namespace vemod::automation
