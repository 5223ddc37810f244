// The automation's properties of each monitor: calibration, link, night
// settings and the writes it took.
#include <cstdio>

#include "contract/bus.h"
#include "service/src/automation/automation.h"
#include "service/src/supervisor/bus_values.h"
#include "service/src/worker_messages.h"

namespace vemod::automation {

namespace bus = vemo::bus;

void Automation::addMonitorMembers(sdbus::IObject& monitor, const std::string& id) {
  const std::string path = monitor.getObjectPath();
  monitors_[path] = Attached{id, &monitor};
  const char* i = bus::kMonitorInterface;
  MonitorPrefs& prefs = store_.monitor(id);

  // A calibration change takes effect at once on a linked monitor once a level was set.
  auto calibrate = [this, path, &prefs](const char* name, const auto& change) {
    Calibration calibration = prefs.calibration;
    change(calibration);
    if (std::optional<std::string> problem = calibrationProblem(calibration)) {
      throw serviceError(bus::kOutOfRange, *problem);
    }
    bool same = calibration.min == prefs.calibration.min && calibration.max == prefs.calibration.max &&
                calibration.curve == prefs.calibration.curve &&
                calibration.linked == prefs.calibration.linked;
    if (same) return;
    prefs.calibration = calibration;
    save();
    changedMonitor(path, {name});
    if (calibration.linked && level_ >= 0) applyLevelTo(path, [](const Json&) {});
  };

  monitor.registerProperty("BrightnessMin")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.calibration.min; })
      .withSetter([calibrate](const std::uint8_t& value) {
        calibrate("BrightnessMin", [value](Calibration& c) { c.min = value; });
      });
  monitor.registerProperty("BrightnessMax")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.calibration.max; })
      .withSetter([calibrate](const std::uint8_t& value) {
        calibrate("BrightnessMax", [value](Calibration& c) { c.max = value; });
      });
  monitor.registerProperty("BrightnessCurve")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.calibration.curve; })
      .withSetter([calibrate](const double& value) {
        calibrate("BrightnessCurve", [value](Calibration& c) { c.curve = value; });
      });
  monitor.registerProperty("Linked")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.calibration.linked; })
      .withSetter([calibrate](const bool& value) {
        calibrate("Linked", [value](Calibration& c) { c.linked = value; });
      });

  monitor.registerProperty("NightSettings")
      .onInterface(i)
      .withGetter([&prefs] {
        std::map<std::string, sdbus::Variant> settings;
        for (const auto& [name, value] : prefs.night) settings[name] = toVariant(settingFor(name), value);
        return settings;
      })
      .withSetter([this, path, &prefs](const std::map<std::string, sdbus::Variant>& settings) {
        std::map<std::string, Json> night;
        for (const auto& [name, value] : settings) night[name] = writeValue(settingFor(name), value);
        if (night == prefs.night) return;
        prefs.night = std::move(night);
        save();
        changedMonitor(path, {"NightSettings"});
        syncNight(path);
      });

  monitor.registerProperty("Writes").onInterface(i).withGetter([this, id] {
    auto found = writes_.find(id);
    return found == writes_.end() ? std::map<std::string, std::uint64_t>{} : found->second;
  });
}

// Night light -----------------------------------------------------------

std::optional<bool> Automation::nightWanted() const {
  if (!store_.automation().followNightLight) return false;
  return nightLight_ ? nightLight_->active() : std::nullopt;
}

void Automation::syncNightEverywhere() {
  for (const auto& [path, monitor] : monitors_) syncNight(path);
}

// Brings one monitor to what the night light asks: at night each night
// setting is applied after the value it replaces is remembered (and kept in
// the file, so that a restart meanwhile loses nothing); by day, and for a
// setting no longer among the night settings, the remembered value goes back.
void Automation::syncNight(const std::string& path) {
  auto found = monitors_.find(path);
  std::optional<bool> night = nightWanted();
  if (found == monitors_.end() || !night) return;
  Attached& monitor = found->second;
  if (monitor.nightBusy) {
    monitor.nightAgain = true;
    return;
  }
  const std::string id = monitor.id;
  MonitorPrefs& prefs = store_.monitor(id);
  std::vector<std::string> restore, remember, apply;
  for (const auto& [name, value] : prefs.day) {
    if (!*night || prefs.night.count(name) == 0) restore.push_back(name);
  }
  if (*night) {
    for (const auto& [name, value] : prefs.night) (prefs.day.count(name) ? apply : remember).push_back(name);
  }
  int steps = static_cast<int>(restore.size() + remember.size() + apply.size());
  if (steps == 0) return;

  monitor.nightBusy = true;
  auto left = std::make_shared<int>(steps);
  auto finished = [this, path, left] {
    if (--*left > 0) return;
    auto entry = monitors_.find(path);
    if (entry == monitors_.end()) return;
    entry->second.nightBusy = false;
    if (entry->second.nightAgain) {
      entry->second.nightAgain = false;
      syncNight(path);
    }
  };
  auto report = [id](const std::string& what, const Json& reply) {
    std::fprintf(stderr, "vemod: %s: %s: %s\n", id.c_str(), what.c_str(), reply.value("message", "").c_str());
  };
  auto setNight = [this, path, &prefs, finished, report](const std::string& name) {
    submit_(
        path, ask::set(name, prefs.night.at(name)),
        [finished, report, name](const Json& reply) {
          if (!succeeded(reply)) report("cannot apply the night value of " + name, reply);
          finished();
        },
        name);
  };

  for (const std::string& name : restore) {
    Json day = prefs.day.at(name);
    submit_(
        path, ask::set(name, day),
        [this, &prefs, name, day, finished, report](const Json& reply) {
          if (succeeded(reply)) {
            auto kept = prefs.day.find(name);
            if (kept != prefs.day.end() && kept->second == day) prefs.day.erase(kept);
            save();
          } else {
            report("cannot put back the day value of " + name, reply);
          }
          finished();
        },
        name);
  }
  for (const std::string& name : apply) setNight(name);
  for (const std::string& name : remember) {
    submit_(
        path, ask::get(name),
        [this, &prefs, name, finished, report, setNight](const Json& reply) {
          if (!succeeded(reply)) {
            report("cannot read " + name + " before the night value replaces it", reply);
            finished();
            return;
          }
          prefs.day[name] = reply["value"];
          save();
          if (prefs.night.count(name)) {
            setNight(name);
          } else {
            finished();  // no longer a night setting: the next round puts it back
          }
        },
        "");
  }
}

}  // namespace vemod::automation
