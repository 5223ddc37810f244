// vemoctl level, auto, calibrate and night: the service's automation.
#include "tools/vemoctl/commands/automation.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>

#include "catalogue/value_rules.h"
#include "tools/vemoctl/backends/automation_client.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/value_forms.h"

namespace vemoctl {
namespace {

using Point = sdbus::Struct<double, double>;

double decimal(const std::string& command, const std::string& what, const std::string& text) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || !std::isfinite(value)) {
    throw ToolError(kUsage, command + ": " + what + " must be a number, not '" + text + "'");
  }
  return value;
}

// Shortest form of a decimal: 0.6, 2, 0.25.
std::string shown(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

std::string localTime(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

sdbus::Variant nightValue(const std::string& name, const std::string& value) {
  const Setting& setting = settingNamed(name);
  if (setting.kind == Kind::CustomColor) {
    throw ToolError(kUsage, "night: custom-color cannot be a night setting");
  }
  Value checked = checkedValue(setting, value);
  if (setting.kind == Kind::Byte) return sdbus::Variant(static_cast<std::uint8_t>(checked.number));
  if (setting.kind == Kind::Mask) return sdbus::Variant(checked.number);
  return sdbus::Variant(checked.text);
}

std::string nightText(const std::string& name, const sdbus::Variant& value, Json& json) {
  const Setting* setting = findSetting(name);
  const std::string type = value.peekValueType();
  if (setting == nullptr || type == "s") {
    json = type == "s" ? Json(value.get<std::string>()) : Json(nullptr);
    return type == "s" ? value.get<std::string>() : "?";
  }
  std::uint32_t number = type == "y" ? value.get<std::uint8_t>() : value.get<std::uint32_t>();
  Readout readout = readoutOf(*setting, Value{number, {}, {}});
  json = readout.json;
  return readout.lines.front();
}

}  // namespace

int runLevel(const GlobalOptions& options, const std::string& level) {
  AutomationClient service(options, "level");
  if (level.empty()) {
    double current = service.manager("Level").get<double>();
    if (options.json) {
      printJson(Json{{"level", current < 0 ? Json(nullptr) : Json(current)}});
    } else {
      std::cout << (current < 0 ? std::string("none set") : shown(current)) << '\n';
    }
    return kOk;
  }
  service.setLevel(decimal("level", "the level", level));
  return kOk;
}

int runAuto(const GlobalOptions& options, const std::string& state) {
  AutomationClient service(options, "auto");
  if (state == "on" || state == "off") {
    service.setManager("AutoBrightness", sdbus::Variant(state == "on"));
    return kOk;
  }
  bool on = service.manager("AutoBrightness").get<bool>();
  bool paused = service.manager("AutoPaused").get<bool>();
  std::int64_t until = service.manager("AutoPausedUntil").get<std::int64_t>();
  double lux = service.manager("AmbientLux").get<double>();
  double level = service.manager("Level").get<double>();
  auto interval = service.manager("AutoInterval").get<std::uint32_t>();
  auto pause = service.manager("AutoPause").get<std::uint32_t>();
  auto curve = service.manager("AmbientCurve").get<std::vector<Point>>();
  if (options.json) {
    Json points = Json::array();
    for (const Point& point : curve) points.push_back({std::get<0>(point), std::get<1>(point)});
    printJson(Json{{"auto_brightness", on},
                   {"paused", paused},
                   {"paused_until", paused ? Json(localTime(until)) : Json(nullptr)},
                   {"ambient_lux", lux < 0 ? Json(nullptr) : Json(lux)},
                   {"level", level < 0 ? Json(nullptr) : Json(level)},
                   {"interval", interval},
                   {"pause", pause},
                   {"curve", points}});
    return kOk;
  }
  std::string points;
  for (const Point& point : curve) {
    points += (points.empty() ? "" : ", ") + shown(std::get<0>(point)) + " lux " + shown(std::get<1>(point));
  }
  std::cout << "automatic brightness: " << (on ? "on" : "off") << '\n'
            << "paused: " << (paused ? "until " + localTime(until) : std::string("no")) << '\n'
            << "ambient light: " << (lux < 0 ? std::string("no sensor") : shown(lux) + " lux") << '\n'
            << "level: " << (level < 0 ? std::string("none set") : shown(level)) << '\n'
            << "interval: " << interval << " s\n"
            << "pause after a change: " << pause << " s\n"
            << "curve: " << points << '\n';
  return kOk;
}

int runCalibrate(const GlobalOptions& options, const CalibrateOptions& calibrate) {
  AutomationClient service(options, "calibrate");
  bool change = calibrate.min || calibrate.max || calibrate.curve || calibrate.linked;
  auto monitors = service.chosen(!change);
  auto byte = [](const char* what, const std::string& text) {
    return sdbus::Variant(static_cast<std::uint8_t>(parseUnsigned(
        std::string("calibrate: ") + what, text, 0xFF, acceptedValues(*findSetting("brightness")))));
  };
  if (calibrate.min && calibrate.max &&
      parseUnsigned("calibrate: --min", *calibrate.min, 0xFF, "") >
          parseUnsigned("calibrate: --max", *calibrate.max, 0xFF, "")) {
    throw ToolError(kOutOfRange, "calibrate: --min " + *calibrate.min + " is above --max " + *calibrate.max +
                                     "; nothing changed");
  }
  if (change) {
    for (const auto& monitor : monitors) {
      // Moving both ends past each other: the end that keeps min <= max first.
      bool maxFirst = calibrate.min && calibrate.max &&
                      parseUnsigned("--min", *calibrate.min, 0xFF, "") >
                          service.monitor(monitor, "BrightnessMax").get<std::uint8_t>();
      if (calibrate.max && maxFirst)
        service.setMonitor(monitor, "BrightnessMax", byte("--max", *calibrate.max));
      if (calibrate.min) service.setMonitor(monitor, "BrightnessMin", byte("--min", *calibrate.min));
      if (calibrate.max && !maxFirst)
        service.setMonitor(monitor, "BrightnessMax", byte("--max", *calibrate.max));
      if (calibrate.curve) {
        service.setMonitor(monitor, "BrightnessCurve",
                           sdbus::Variant(decimal("calibrate", "--curve", *calibrate.curve)));
      }
      if (calibrate.linked) service.setMonitor(monitor, "Linked", sdbus::Variant(*calibrate.linked == "yes"));
    }
    return kOk;
  }
  Json all = Json::object();
  for (const auto& monitor : monitors) {
    auto min = service.monitor(monitor, "BrightnessMin").get<std::uint8_t>();
    auto max = service.monitor(monitor, "BrightnessMax").get<std::uint8_t>();
    double curve = service.monitor(monitor, "BrightnessCurve").get<double>();
    bool linked = service.monitor(monitor, "Linked").get<bool>();
    all[monitor.id] = Json{{"min", min}, {"max", max}, {"curve", curve}, {"linked", linked}};
    if (!options.json) {
      std::cout << monitor.id << ": min " << int(min) << ", max " << int(max) << ", curve " << shown(curve)
                << ", linked " << (linked ? "yes" : "no") << '\n';
    }
  }
  if (options.json) printJson(all);
  return kOk;
}

int runNight(const GlobalOptions& options, const NightOptions& night) {
  AutomationClient service(options, "night");
  if (!night.words.empty() && night.clear)
    throw ToolError(kUsage, "night: NAME VALUE pairs or --clear, not both");
  if (night.words.size() % 2 != 0) {
    throw ToolError(kUsage, "night: '" + night.words.back() + "' has no value (NAME VALUE pairs)");
  }
  std::map<std::string, sdbus::Variant> settings;
  for (std::size_t i = 0; i < night.words.size(); i += 2) {
    settings[night.words[i]] = nightValue(night.words[i], night.words[i + 1]);
  }
  bool change = !night.words.empty() || night.clear || !night.follow.empty();
  if (!night.follow.empty()) service.setManager("FollowNightLight", sdbus::Variant(night.follow == "yes"));
  if (!night.words.empty() || night.clear) {
    for (const auto& monitor : service.chosen(false)) {
      service.setMonitor(monitor, "NightSettings", sdbus::Variant(settings));
    }
  }
  if (change) return kOk;

  bool follow = service.manager("FollowNightLight").get<bool>();
  Json all{{"follow", follow}, {"monitors", Json::object()}};
  if (!options.json) std::cout << "follow night light: " << (follow ? "yes" : "no") << '\n';
  for (const auto& monitor : service.chosen(true)) {
    auto values = service.monitor(monitor, "NightSettings").get<std::map<std::string, sdbus::Variant>>();
    Json json = Json::object();
    std::string line;
    for (const auto& [name, value] : values) {
      line += (line.empty() ? "" : ", ") + name + " " + nightText(name, value, json[name]);
    }
    all["monitors"][monitor.id] = json;
    if (!options.json)
      std::cout << monitor.id << ": " << (line.empty() ? std::string("(none)") : line) << '\n';
  }
  if (options.json) printJson(all);
  return kOk;
}

}  // namespace vemoctl
