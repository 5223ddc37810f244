// What the service does on its own: the calibrated level of every linked
// monitor, brightness that follows the room's light, the desktop's night
// light reaching the monitors, and the count of writes each monitor took.
// Its properties and SetLevel live on the Manager and Monitor objects; it
// reaches the monitors through the same queues as every client.
#pragma once

#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/src/automation/level_pacer.h"
#include "service/src/automation/light_sensor.h"
#include "service/src/automation/night_light_watch.h"
#include "service/src/automation/settings_store.h"
#include "service/src/supervisor/request_queue.h"

namespace vemod::automation {

// A request for a monitor's worker, by object path, as a client's call would be queued.
using SubmitRequest = std::function<void(const std::string& path, Json request, Completion done,
                                         const std::string& coalesceKey)>;

class Automation {
 public:
  Automation(sdbus::IConnection& session, SubmitRequest submit, std::filesystem::path storeFile);
  ~Automation();

  // Registration, before each object is published.
  void addManagerMembers(sdbus::IObject& manager);
  void addMonitorMembers(sdbus::IObject& monitor, const std::string& id);
  // After the Manager is published: watch the night light, claim the sensor.
  void start();

  void monitorAdded(const std::string& path);
  void monitorRemoved(const std::string& path);
  // A client's request before it is queued: a brightness change pauses the automation.
  void clientRequest(const std::string& path, const Json& request);
  // A worker's reply: counts the writes sent.
  void replied(const std::string& path, const Json& reply);

  // The event loop: descriptors to poll, the latest wake, and the work when woken.
  void addPollFds(std::vector<pollfd>& fds) const;
  Clock::time_point nextWake(Clock::time_point otherwise) const;
  void process();

 private:
  struct Attached {
    std::string id;
    sdbus::IObject* object = nullptr;
    bool nightBusy = false;   // night settings or day values on their way
    bool nightAgain = false;  // something changed meanwhile: go through them again
  };

  void registerLevel(sdbus::IObject& manager);
  void registerAmbient(sdbus::IObject& manager);
  void changedManager(const std::vector<std::string>& names);
  void changedMonitor(const std::string& path, const std::vector<std::string>& names);
  void save() { store_.save(); }

  // Level
  void applyLevel(double level, Completion done);
  void applyLevelTo(const std::string& path, Completion done);
  void pause();

  // Ambient light
  void onReading(std::optional<double> lux);
  void offerLight();
  void setAutoBrightness(bool on);
  void updatePaused();

  // Night light
  std::optional<bool> nightWanted() const;
  void syncNight(const std::string& path);
  void syncNightEverywhere();

  sdbus::IConnection& session_;
  SubmitRequest submit_;
  SettingsStore store_;
  sdbus::IObject* manager_ = nullptr;
  std::map<std::string, Attached> monitors_;                            // by object path
  std::map<std::string, std::map<std::string, std::uint64_t>> writes_;  // by Id, then setting
  double level_ = -1;
  double lux_ = -1;
  LevelPacer pacer_;
  bool pausedShown_ = false;
  std::unique_ptr<LightSensor> sensor_;
  std::unique_ptr<NightLightWatch> nightLight_;
};

}  // namespace vemod::automation
