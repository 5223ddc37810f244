#include "service/src/automation/automation.h"

#include <cstdio>
#include <sstream>

#include "contract/bus.h"
#include "service/src/supervisor/bus_values.h"
#include "service/src/worker_messages.h"

namespace vemod::automation {

namespace bus = vemo::bus;

namespace {

using Point = sdbus::Struct<double, double>;

const Json kDone{{"ok", true}};

// Hands `done` the first failure (naming its monitor) once every part has answered.
struct Join {
  int left = 0;
  Json failure;
  Completion done;
};

Completion joined(const std::shared_ptr<Join>& join, const std::string& id) {
  return [join, id](const Json& reply) {
    if (!succeeded(reply) && join->failure.is_null()) {
      join->failure = reply;
      join->failure["message"] = id + ": " + reply.value("message", "");
    }
    if (--join->left == 0) join->done(join->failure.is_null() ? kDone : join->failure);
  };
}

std::int64_t unixTimeOf(Clock::time_point automationTime) {
  auto real = ScaledClock::realTimeOf(automationTime);
  auto wall = std::chrono::system_clock::now() +
              std::chrono::duration_cast<std::chrono::system_clock::duration>(real - Clock::now());
  return std::chrono::duration_cast<std::chrono::seconds>(wall.time_since_epoch()).count();
}

}  // namespace

Automation::Automation(sdbus::IConnection& session, SubmitRequest submit, std::filesystem::path storeFile)
    : session_(session), submit_(std::move(submit)), store_(std::move(storeFile)) {
  store_.load();
  pacer_.setInterval(ScaledClock::of(Seconds(store_.automation().autoInterval)));
}

Automation::~Automation() = default;

void Automation::start() {
  nightLight_ = std::make_unique<NightLightWatch>(session_, [this](bool) { syncNightEverywhere(); });
  sensor_ = std::make_unique<LightSensor>([this](std::optional<double> lux) { onReading(lux); });
  if (store_.automation().autoBrightness) sensor_->setEnabled(true);
}

void Automation::addManagerMembers(sdbus::IObject& manager) {
  manager_ = &manager;
  registerLevel(manager);
  registerAmbient(manager);
  manager.registerProperty("FollowNightLight")
      .onInterface(bus::kManagerInterface)
      .withGetter([this] { return store_.automation().followNightLight; })
      .withSetter([this](const bool& follow) {
        if (follow == store_.automation().followNightLight) return;
        store_.automation().followNightLight = follow;
        save();
        changedManager({"FollowNightLight"});
        syncNightEverywhere();
      });
}

void Automation::registerLevel(sdbus::IObject& manager) {
  const char* i = bus::kManagerInterface;
  manager.registerProperty("Level").onInterface(i).withGetter([this] { return level_; });
  manager.registerMethod("SetLevel")
      .onInterface(i)
      .withInputParamNames("level")
      .implementedAs([this](sdbus::Result<>&& result, double level) {
        if (!(level >= 0.0 && level <= 1.0)) {
          std::ostringstream given;
          given << level;
          throw serviceError(bus::kOutOfRange,
                             "SetLevel: " + given.str() + " is out of range; accepted values: 0.0 to 1.0");
        }
        pause();
        auto shared = std::make_shared<sdbus::Result<>>(std::move(result));
        applyLevel(level, [shared](const Json& reply) {
          if (succeeded(reply)) {
            shared->returnResults();
          } else {
            shared->returnError(
                serviceError(reply.value("error", bus::kCommFailure), reply.value("message", "")));
          }
        });
      });
}

void Automation::registerAmbient(sdbus::IObject& manager) {
  const char* i = bus::kManagerInterface;
  AutomationPrefs& prefs = store_.automation();
  manager.registerProperty("AutoBrightness")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.autoBrightness; })
      .withSetter([this](const bool& on) { setAutoBrightness(on); });
  manager.registerProperty("AmbientCurve")
      .onInterface(i)
      .withGetter([&prefs] {
        std::vector<Point> points;
        for (auto [lux, level] : prefs.ambientCurve) points.emplace_back(lux, level);
        return points;
      })
      .withSetter([this, &prefs](const std::vector<Point>& points) {
        AmbientCurve curve;
        for (const Point& point : points) curve.emplace_back(std::get<0>(point), std::get<1>(point));
        if (std::optional<std::string> problem = curveProblem(curve))
          throw serviceError(bus::kOutOfRange, *problem);
        if (curve == prefs.ambientCurve) return;
        prefs.ambientCurve = curve;
        save();
        changedManager({"AmbientCurve"});
        offerLight();
      });
  manager.registerProperty("AmbientLux").onInterface(i).withGetter([this] { return lux_; });
  manager.registerProperty("AutoInterval")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.autoInterval; })
      .withSetter([this, &prefs](const std::uint32_t& seconds) {
        if (seconds < kMinInterval || seconds > kMaxInterval) {
          throw serviceError(bus::kOutOfRange, "AutoInterval: " + std::to_string(seconds) +
                                                   " is out of range; accepted values: 1 to 3600 (seconds)");
        }
        if (seconds == prefs.autoInterval) return;
        prefs.autoInterval = seconds;
        pacer_.setInterval(ScaledClock::of(Seconds(seconds)));
        save();
        changedManager({"AutoInterval"});
      });
  manager.registerProperty("AutoPause")
      .onInterface(i)
      .withGetter([&prefs] { return prefs.autoPause; })
      .withSetter([this, &prefs](const std::uint32_t& seconds) {
        if (seconds == prefs.autoPause) return;
        prefs.autoPause = seconds;
        save();
        changedManager({"AutoPause"});
      });
  manager.registerProperty("AutoPaused").onInterface(i).withGetter([this] { return pausedShown_; });
  manager.registerProperty("AutoPausedUntil").onInterface(i).withGetter([this]() -> std::int64_t {
    std::optional<Clock::time_point> until = pacer_.pausedUntil();
    return pausedShown_ && until ? unixTimeOf(*until) : 0;
  });
}

void Automation::changedManager(const std::vector<std::string>& names) {
  if (manager_ != nullptr) manager_->emitPropertiesChangedSignal(bus::kManagerInterface, names);
}

void Automation::changedMonitor(const std::string& path, const std::vector<std::string>& names) {
  auto found = monitors_.find(path);
  if (found != monitors_.end() && found->second.object != nullptr) {
    found->second.object->emitPropertiesChangedSignal(bus::kMonitorInterface, names);
  }
}

void Automation::monitorAdded(const std::string& path) {
  // A monitor attached after a level was set joins it (a restarted service has none yet).
  if (level_ >= 0 && store_.monitor(monitors_.at(path).id).calibration.linked) {
    applyLevelTo(path, [](const Json&) {});
  }
  syncNight(path);
}

void Automation::monitorRemoved(const std::string& path) { monitors_.erase(path); }

void Automation::clientRequest(const std::string& path, const Json& request) {
  const Op op = opOf(request);
  if ((op != Op::Set && op != Op::Adjust) || request.value("name", "") != "brightness") return;
  auto found = monitors_.find(path);
  if (found != monitors_.end() && store_.monitor(found->second.id).calibration.linked) pause();
}

void Automation::replied(const std::string& path, const Json& reply) {
  auto found = monitors_.find(path);
  if (found == monitors_.end() || !reply.contains("wrote") || !reply["wrote"].is_string()) return;
  ++writes_[found->second.id][reply["wrote"].get<std::string>()];
  changedMonitor(path, {"Writes"});
}

// Level -----------------------------------------------------------------

void Automation::applyLevel(double level, Completion done) {
  if (level != level_) {
    level_ = level;
    changedManager({"Level"});
  }
  std::vector<std::string> linked;
  for (const auto& [path, monitor] : monitors_) {
    if (store_.monitor(monitor.id).calibration.linked) linked.push_back(path);
  }
  if (linked.empty()) {
    done(kDone);
    return;
  }
  auto join = std::make_shared<Join>();
  join->left = static_cast<int>(linked.size());
  join->done = std::move(done);
  for (const std::string& path : linked) applyLevelTo(path, joined(join, monitors_.at(path).id));
}

void Automation::applyLevelTo(const std::string& path, Completion done) {
  const Calibration& calibration = store_.monitor(monitors_.at(path).id).calibration;
  std::uint8_t brightness = brightnessFor(calibration, level_);
  submit_(path, ask::set("brightness", brightness), std::move(done), "brightness");
}

void Automation::pause() {
  if (!store_.automation().autoBrightness || store_.automation().autoPause == 0) return;
  pacer_.pauseUntil(ScaledClock::now() + ScaledClock::of(Seconds(store_.automation().autoPause)));
  pausedShown_ = true;
  changedManager({"AutoPaused", "AutoPausedUntil"});
}

// Ambient light ---------------------------------------------------------

void Automation::setAutoBrightness(bool on) {
  AutomationPrefs& prefs = store_.automation();
  if (on && pacer_.pausedUntil()) {
    pacer_.resume();  // switching it on again resumes at once
    updatePaused();
  }
  if (on == prefs.autoBrightness) return;
  prefs.autoBrightness = on;
  save();
  changedManager({"AutoBrightness"});
  if (!on) {
    pacer_.resume();
    updatePaused();
  }
  if (sensor_) sensor_->setEnabled(on);
}

void Automation::onReading(std::optional<double> lux) {
  double shown = lux ? *lux : -1;
  if (shown != lux_) {
    lux_ = shown;
    changedManager({"AmbientLux"});
  }
  offerLight();
}

void Automation::offerLight() {
  if (lux_ < 0 || !store_.automation().autoBrightness) {
    pacer_.offer(std::nullopt);
    return;
  }
  pacer_.offer(levelForLux(store_.automation().ambientCurve, lux_));
  if (std::optional<double> level = pacer_.due(level_, ScaledClock::now()))
    applyLevel(*level, [](const Json&) {});
}

void Automation::updatePaused() {
  Clock::time_point now = ScaledClock::now();
  if (pacer_.pausedUntil() && !pacer_.paused(now)) pacer_.resume();
  bool paused = pacer_.paused(now);
  if (paused == pausedShown_) return;
  pausedShown_ = paused;
  changedManager({"AutoPaused", "AutoPausedUntil"});
}

void Automation::addPollFds(std::vector<pollfd>& fds) const {
  if (sensor_) {
    if (std::optional<pollfd> fd = sensor_->pollFd()) fds.push_back(*fd);
  }
}

Clock::time_point Automation::nextWake(Clock::time_point otherwise) const {
  Clock::time_point wake = otherwise;
  if (sensor_) {
    if (auto sensorWake = sensor_->nextWake()) wake = std::min(wake, *sensorWake);
  }
  if (auto due = pacer_.nextWake(level_)) {
    wake = std::min(wake, *due == Clock::time_point::min() ? Clock::now() : ScaledClock::realTimeOf(*due));
  }
  return wake;
}

void Automation::process() {
  if (sensor_) sensor_->process();
  updatePaused();
  if (std::optional<double> level = pacer_.due(level_, ScaledClock::now()))
    applyLevel(*level, [](const Json&) {});
}

}  // namespace vemod::automation
