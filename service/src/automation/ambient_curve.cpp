#include "service/src/automation/ambient_curve.h"

#include <algorithm>
#include <cmath>

namespace vemod::automation {

AmbientCurve defaultAmbientCurve() { return {{0, 0.1}, {10, 0.25}, {100, 0.45}, {1000, 0.8}, {10000, 1.0}}; }

std::optional<std::string> curveProblem(const AmbientCurve& curve) {
  if (curve.empty()) return "AmbientCurve: at least one point (lux, level) is needed";
  for (std::size_t i = 0; i < curve.size(); ++i) {
    auto [lux, level] = curve[i];
    std::string where = "AmbientCurve: point " + std::to_string(i + 1) + ": ";
    if (!std::isfinite(lux) || lux < 0) return where + "the lux must be 0 or more";
    if (!(level >= 0.0 && level <= 1.0)) return where + "the level must be within 0.0 to 1.0";
    if (i > 0 && !(lux > curve[i - 1].first)) return where + "the lux must rise from point to point";
  }
  return std::nullopt;
}

double levelForLux(const AmbientCurve& curve, double lux) {
  if (curve.empty()) return 0.0;
  double x = std::log10(1.0 + std::max(0.0, std::isfinite(lux) ? lux : 0.0));
  if (x <= std::log10(1.0 + curve.front().first)) return curve.front().second;
  for (std::size_t i = 1; i < curve.size(); ++i) {
    double x1 = std::log10(1.0 + curve[i].first);
    if (x <= x1) {
      double x0 = std::log10(1.0 + curve[i - 1].first);
      double t = (x - x0) / (x1 - x0);
      return curve[i - 1].second + t * (curve[i].second - curve[i - 1].second);
    }
  }
  return curve.back().second;
}

}  // namespace vemod::automation
