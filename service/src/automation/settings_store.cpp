#include "service/src/automation/settings_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "service/src/supervisor/bus_values.h"

namespace vemod::automation {
namespace {

namespace fs = std::filesystem;

void report(const std::string& message) { std::fprintf(stderr, "vemod: %s\n", message.c_str()); }

Json curveToJson(const AmbientCurve& curve) {
  Json points = Json::array();
  for (auto [lux, level] : curve) points.push_back({lux, level});
  return points;
}

// Each field is taken when it has the right type and passes its check;
// otherwise the default stays and the reason is reported.
template <typename T>
void take(const Json& object, const char* key, T& field, const std::string& where) {
  if (!object.contains(key)) return;
  try {
    field = object.at(key).get<T>();
  } catch (const Json::exception&) {
    report(where + ": " + key + " is not valid; the default is used");
  }
}

Json prefsToJson(const MonitorPrefs& prefs) {
  Json entry{{"brightness-min", prefs.calibration.min},
             {"brightness-max", prefs.calibration.max},
             {"brightness-curve", prefs.calibration.curve},
             {"linked", prefs.calibration.linked},
             {"night-settings", Json::object()}};
  for (const auto& [name, value] : prefs.night) entry["night-settings"][name] = value;
  if (!prefs.day.empty()) {
    entry["day-values"] = Json::object();
    for (const auto& [name, value] : prefs.day) entry["day-values"][name] = value;
  }
  return entry;
}

std::map<std::string, Json> settingValues(const Json& entry, const char* key, const std::string& where) {
  std::map<std::string, Json> values;
  if (!entry.contains(key) || !entry[key].is_object()) return values;
  for (const auto& [name, value] : entry[key].items()) {
    std::string why;
    if (std::optional<Json> checked = checkedSettingValue(name, value, why)) {
      values[name] = *checked;
    } else {
      report(where + ": " + key + ": " + why + "; left out");
    }
  }
  return values;
}

MonitorPrefs prefsFrom(const Json& entry, const std::string& where) {
  MonitorPrefs prefs;
  if (!entry.is_object()) {
    report(where + " is not an object; the defaults are used");
    return prefs;
  }
  Calibration calibration;
  long min = calibration.min, max = calibration.max;
  take(entry, "brightness-min", min, where);
  take(entry, "brightness-max", max, where);
  take(entry, "brightness-curve", calibration.curve, where);
  take(entry, "linked", calibration.linked, where);
  calibration.min = static_cast<std::uint8_t>(min);
  calibration.max = static_cast<std::uint8_t>(max);
  std::optional<std::string> problem = calibrationProblem(calibration);
  if (min < 0 || min > 255 || max < 0 || max > 255) problem = "brightness-min or -max is not a byte";
  if (problem) {
    report(where + ": " + *problem + "; the default calibration is used");
    calibration = Calibration{};
  }
  prefs.calibration = calibration;
  prefs.night = settingValues(entry, "night-settings", where);
  prefs.day = settingValues(entry, "day-values", where);
  return prefs;
}

}  // namespace

std::optional<Json> checkedSettingValue(const std::string& name, const Json& value, std::string& why) {
  try {
    const catalogue::Setting& setting = settingFor(name);
    sdbus::Variant variant;
    if (value.is_string()) {
      variant = sdbus::Variant(value.get<std::string>());
    } else if (value.is_number_unsigned()) {
      variant = sdbus::Variant(value.get<std::uint64_t>());
    } else if (value.is_number_integer()) {
      variant = sdbus::Variant(value.get<std::int64_t>());
    } else {
      why = name + ": the value must be a number or a string";
      return std::nullopt;
    }
    return writeValue(setting, variant);
  } catch (const sdbus::Error& e) {
    why = e.getMessage();
    return std::nullopt;
  }
}

SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {}

fs::path SettingsStore::defaultFile() {
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = fs::path(home) / ".config";
  } else {
    base = ".config";
  }
  return base / "vemo" / "vemod.json";
}

void SettingsStore::setAside() {
  fs::path aside = file_.string() + ".bad";
  std::error_code ec;
  for (int n = 1; fs::exists(aside, ec); ++n) aside = file_.string() + ".bad." + std::to_string(n);
  fs::rename(file_, aside, ec);
  if (ec) {
    report("cannot set " + file_.string() + " aside: " + ec.message());
  } else {
    report("set aside as " + aside.string() + "; the defaults are used");
  }
}

void SettingsStore::load() {
  std::error_code ec;
  if (!fs::exists(file_, ec)) return;
  std::ifstream in(file_);
  std::stringstream text;
  text << in.rdbuf();
  Json document = Json::parse(text.str(), nullptr, false);
  if (!in || document.is_discarded() || !document.is_object()) {
    report(file_.string() + " cannot be read or is not a JSON object");
    setAside();
    return;
  }
  readFrom(document);
}

void SettingsStore::readFrom(const Json& document) {
  const std::string where = file_.string();
  if (document.contains("automation") && document["automation"].is_object()) {
    const Json& a = document["automation"];
    AutomationPrefs& prefs = automation_;
    take(a, "auto-brightness", prefs.autoBrightness, where);
    take(a, "follow-night-light", prefs.followNightLight, where);
    long long pause = prefs.autoPause;
    take(a, "auto-pause", pause, where);
    if (pause >= 0 && pause <= 0xFFFFFFFFLL) {
      prefs.autoPause = static_cast<std::uint32_t>(pause);
    } else {
      report(where + ": auto-pause must be 0 or more seconds; the default is used");
    }
    long long interval = prefs.autoInterval;
    take(a, "auto-interval", interval, where);
    if (interval >= kMinInterval && interval <= kMaxInterval) {
      prefs.autoInterval = static_cast<std::uint32_t>(interval);
    } else {
      report(where + ": auto-interval must be 1 to 3600; the default is used");
    }
    AmbientCurve curve = prefs.ambientCurve;
    take(a, "ambient-curve", curve, where);
    if (std::optional<std::string> problem = curveProblem(curve)) {
      report(where + ": " + *problem + "; the default curve is used");
    } else {
      prefs.ambientCurve = curve;
    }
  }
  if (document.contains("monitors") && document["monitors"].is_object()) {
    for (const auto& [id, entry] : document["monitors"].items()) {
      monitors_[id] = prefsFrom(entry, where + ": monitor " + id);
    }
  }
}

void SettingsStore::save() {
  Json document{{"automation",
                 {{"auto-brightness", automation_.autoBrightness},
                  {"ambient-curve", curveToJson(automation_.ambientCurve)},
                  {"auto-interval", automation_.autoInterval},
                  {"auto-pause", automation_.autoPause},
                  {"follow-night-light", automation_.followNightLight}}},
                {"monitors", Json::object()}};
  for (const auto& [id, prefs] : monitors_) document["monitors"][id] = prefsToJson(prefs);
  const std::string text = document.dump(2) + "\n";

  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  fs::path temporary = file_.string() + ".tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool written = fd >= 0;
  for (std::size_t done = 0; written && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0)
      written = false;
    else
      done += static_cast<std::size_t>(n);
  }
  if (fd >= 0) {
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
  }
  if (written && ::rename(temporary.c_str(), file_.c_str()) == 0) return;
  report("cannot write " + file_.string() + "; the change holds until vemod stops");
  ::unlink(temporary.c_str());
}

}  // namespace vemod::automation
