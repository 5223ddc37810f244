// What the service keeps between runs: each monitor's calibration, link and
// night settings (with the day values they replaced while night light is
// on), and the automation's settings. One JSON file, written whole on each
// change through a temporary file and a rename, so that it is never half
// written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "service/src/automation/ambient_curve.h"
#include "service/src/automation/calibration.h"
#include "service/src/worker_channel.h"

namespace vemod::automation {

struct MonitorPrefs {
  Calibration calibration;
  std::map<std::string, Json> night;  // setting name to the value to apply at night
  std::map<std::string, Json> day;    // the values the night settings replaced, while they are applied
};

inline constexpr std::uint32_t kMinInterval = 1;
inline constexpr std::uint32_t kMaxInterval = 3600;

struct AutomationPrefs {
  bool autoBrightness = false;
  AmbientCurve ambientCurve = defaultAmbientCurve();
  std::uint32_t autoInterval = 10;
  std::uint32_t autoPause = 1800;
  bool followNightLight = false;
};

class SettingsStore {
 public:
  explicit SettingsStore(std::filesystem::path file);
  // $XDG_CONFIG_HOME/vemo/vemod.json, ~/.config when XDG_CONFIG_HOME is unset.
  static std::filesystem::path defaultFile();

  // Reads the file. One that cannot be read or parsed is reported and set
  // aside as vemod.json.bad (vemod.json.bad.1 and on when that exists: an
  // earlier one is never overwritten); the defaults are used. Entries that
  // fail their checks fall back to their defaults, each reported.
  void load();
  // Writes the file; a failure is reported, not thrown.
  void save();

  AutomationPrefs& automation() { return automation_; }
  const AutomationPrefs& automation() const { return automation_; }
  // The monitor's entry, made with the defaults when it has none.
  MonitorPrefs& monitor(const std::string& id) { return monitors_[id]; }
  const std::filesystem::path& file() const { return file_; }

 private:
  void setAside();
  void readFrom(const Json& document);

  std::filesystem::path file_;
  AutomationPrefs automation_;
  std::map<std::string, MonitorPrefs> monitors_;  // by Id, attached or not
};

// `value` as Set would take it for setting `name`, or nothing (with `why`).
std::optional<Json> checkedSettingValue(const std::string& name, const Json& value, std::string& why);

}  // namespace vemod::automation
