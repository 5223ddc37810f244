// From the room's light to a level: points (lux, level), the level between
// two points interpolated linearly in log10(1 + lux), as the eye sees light.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vemod::automation {

using AmbientCurve = std::vector<std::pair<double, double>>;  // (lux, level), lux rising

// Dim at night, full in daylight: a dark room, a lit room, an office, a
// bright window, daylight.
AmbientCurve defaultAmbientCurve();

// Why a curve cannot be taken (no points, lux not rising or negative, a level
// outside 0..1), or nothing when it can.
std::optional<std::string> curveProblem(const AmbientCurve& curve);

// The level for `lux` (negative lux counts as 0); the ends hold beyond the points.
double levelForLux(const AmbientCurve& curve, double lux);

}  // namespace vemod::automation
