// Whether the desktop's night light is on: GNOME's colour service
// (org.gnome.SettingsDaemon.Color on the session bus, NightLightActive).
// While the service is away its last state holds, so that a restart of the
// desktop's service changes nothing on the monitors.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <functional>
#include <memory>
#include <optional>

namespace vemod::automation {

class NightLightWatch {
 public:
  NightLightWatch(sdbus::IConnection& session, std::function<void(bool active)> changed);

  // Nothing until the colour service has answered once.
  std::optional<bool> active() const { return active_; }

 private:
  void read();
  void update(bool active);

  std::function<void(bool)> changed_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  sdbus::Slot ownerMatch_;
  sdbus::Slot propertiesMatch_;
  std::optional<bool> active_;
};

}  // namespace vemod::automation
