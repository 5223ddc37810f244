#include "service/src/automation/calibration.h"

#include <algorithm>
#include <cmath>

#include "catalogue/byte_steps.h"
#include "catalogue/catalogue.h"

namespace vemod::automation {
namespace {

// Brightness as the catalogue describes it: the one model of the settings.
const vemo::settings::ByteRange& brightnessRange() {
  static const vemo::settings::ByteRange& range = vemo::catalogue::findSetting("brightness")->byteInfo->accepted;
  return range;
}

std::string rangeText() {
  const auto& range = brightnessRange();
  return std::to_string(range.lo) + " to " + std::to_string(range.hi);
}

}  // namespace

std::uint8_t brightnessFor(const Calibration& calibration, double level) {
  double clamped = std::isfinite(level) ? std::clamp(level, 0.0, 1.0) : 0.0;
  double span = double(calibration.max) - double(calibration.min);
  long wanted = std::lround(calibration.min + span * std::pow(clamped, calibration.curve));
  return vemo::catalogue::onStep(brightnessRange(), wanted, 0);
}

std::optional<std::string> calibrationProblem(const Calibration& calibration) {
  const auto& range = brightnessRange();
  for (auto [name, value] :
       {std::pair{"BrightnessMin", calibration.min}, {"BrightnessMax", calibration.max}}) {
    if (value < range.lo || value > range.hi) {
      return std::string(name) + ": " + std::to_string(value) +
             " is out of range; accepted values: " + rangeText();
    }
  }
  if (calibration.min > calibration.max) {
    return "BrightnessMin " + std::to_string(calibration.min) + " is above BrightnessMax " +
           std::to_string(calibration.max);
  }
  if (!(calibration.curve >= kMinCurve && calibration.curve <= kMaxCurve)) {
    return "BrightnessCurve: " + std::to_string(calibration.curve) +
           " is out of range; accepted values: 0.2 to 5.0";
  }
  return std::nullopt;
}

}  // namespace vemod::automation
