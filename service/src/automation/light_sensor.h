// The room's light from iio-sensor-proxy (net.hadess.SensorProxy on the
// system bus): claimed while automatic brightness is on, each reading handed
// on. No sensor, the proxy going away or no system bus at all is reported
// once and waited out; the proxy coming back is claimed again.
#pragma once

#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vemod::automation {

class LightSensor {
 public:
  // `reading`: the light in lux; nothing when there is no sensor (any more).
  explicit LightSensor(std::function<void(std::optional<double> lux)> reading);
  ~LightSensor();

  void setEnabled(bool enabled);

  // The system bus's descriptor to poll, and when to come back at the latest.
  std::optional<pollfd> pollFd() const;
  std::optional<std::chrono::steady_clock::time_point> nextWake() const;
  void process();

 private:
  void connect();
  void disconnect();
  void claim();
  void readAll();
  void take(const std::map<std::string, sdbus::Variant>& properties);
  void unavailable(const std::string& why);

  std::function<void(std::optional<double>)> reading_;
  std::unique_ptr<sdbus::IConnection> bus_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  sdbus::Slot ownerMatch_;
  sdbus::Slot propertiesMatch_;
  bool enabled_ = false;
  bool reported_ = false;  // the sensor's absence was logged; logged again only after it was back
  bool hasLight_ = false;
  std::string unit_ = "lux";
  std::chrono::steady_clock::time_point retryAt_{};  // connect again, or claim again
  bool claimWanted_ = false;                         // the last claim failed while the proxy ran
};

}  // namespace vemod::automation
