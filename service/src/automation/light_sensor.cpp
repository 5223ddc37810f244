#include "service/src/automation/light_sensor.h"

#include <cstdio>

namespace vemod::automation {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kSensorName = "net.hadess.SensorProxy";
constexpr const char* kSensorPath = "/net/hadess/SensorProxy";
constexpr const char* kSensorInterface = "net.hadess.SensorProxy";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr std::chrono::seconds kCallBound{5};
constexpr std::chrono::seconds kBusRetry{5};

}  // namespace

LightSensor::LightSensor(std::function<void(std::optional<double>)> reading) : reading_(std::move(reading)) {}

LightSensor::~LightSensor() { disconnect(); }

void LightSensor::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    reported_ = false;
    connect();
  } else {
    if (proxy_ && hasLight_) {
      // Let the proxy power the sensor down; the answer does not matter.
      try {
        proxy_->callMethodAsync("ReleaseLight")
            .onInterface(kSensorInterface)
            .uponReplyInvoke([](const sdbus::Error*) {});
        bus_->processPendingRequest();
      } catch (const sdbus::Error&) {
      }
    }
    disconnect();
    reading_(std::nullopt);
  }
}

void LightSensor::connect() {
  try {
    bus_ = sdbus::createSystemBusConnection();
    ownerMatch_ = bus_->addMatch(
        std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                    "member='NameOwnerChanged',arg0='") +
            kSensorName + "'",
        [this](sdbus::Message& message) {
          std::string name, oldOwner, newOwner;
          message >> name >> oldOwner >> newOwner;
          if (newOwner.empty()) {
            hasLight_ = false;
            unavailable("the light sensor's service " + std::string(kSensorName) + " went away");
          } else {
            claim();
          }
        });
    propertiesMatch_ = bus_->addMatch(std::string("type='signal',interface='") + kProperties +
                                          "',member='PropertiesChanged',path='" + kSensorPath + "',arg0='" +
                                          kSensorInterface + "'",
                                      [this](sdbus::Message& message) {
                                        std::string interface;
                                        std::map<std::string, sdbus::Variant> changed;
                                        message >> interface >> changed;
                                        take(changed);
                                      });
    proxy_ = sdbus::createProxy(*bus_, kSensorName, kSensorPath);
  } catch (const sdbus::Error& e) {
    disconnect();
    retryAt_ = Clock::now() + kBusRetry;
    unavailable("cannot reach the system bus (" + e.getMessage() + ")");
    return;
  }
  claim();
}

void LightSensor::disconnect() {
  proxy_.reset();
  ownerMatch_.reset();
  propertiesMatch_.reset();
  bus_.reset();
  hasLight_ = false;
}

void LightSensor::claim() {
  if (!proxy_) return;
  claimWanted_ = false;
  proxy_->callMethodAsync("ClaimLight")
      .onInterface(kSensorInterface)
      .withTimeout(kCallBound)
      .uponReplyInvoke([this](const sdbus::Error* error) {
        if (error != nullptr) {
          hasLight_ = false;
          // Started on demand or still starting: asked again after a while.
          claimWanted_ = true;
          retryAt_ = Clock::now() + kBusRetry;
          unavailable("no ambient light sensor (" + std::string(kSensorName) + ": " + error->getMessage() +
                      ")");
          return;
        }
        claimWanted_ = false;
        readAll();
      });
}

void LightSensor::readAll() {
  proxy_->callMethodAsync("GetAll")
      .onInterface(kProperties)
      .withTimeout(kCallBound)
      .withArguments(std::string(kSensorInterface))
      .uponReplyInvoke([this](const sdbus::Error* error, const std::map<std::string, sdbus::Variant>& all) {
        if (error != nullptr) {
          unavailable("the light sensor cannot be read (" + error->getMessage() + ")");
          return;
        }
        take(all);
      });
}

void LightSensor::take(const std::map<std::string, sdbus::Variant>& properties) {
  try {
    if (auto found = properties.find("HasAmbientLight"); found != properties.end()) {
      bool had = hasLight_;
      hasLight_ = found->second.get<bool>();
      if (!hasLight_) {
        unavailable("no ambient light sensor (" + std::string(kSensorName) + " has none)");
        return;
      }
      if (!had && properties.find("LightLevel") == properties.end()) {
        claim();  // a sensor came: claim it and read it
        return;
      }
    }
    if (auto found = properties.find("LightLevelUnit"); found != properties.end()) {
      unit_ = found->second.get<std::string>();
    }
    if (auto found = properties.find("LightLevel"); found != properties.end() && hasLight_) {
      if (reported_) std::fprintf(stderr, "vemod: the ambient light sensor is back\n");
      reported_ = false;
      reading_(found->second.get<double>());
    }
  } catch (const sdbus::Error&) {
    unavailable("the light sensor sent values of the wrong types");
  }
}

void LightSensor::unavailable(const std::string& why) {
  if (!reported_) {
    std::fprintf(stderr, "vemod: %s; automatic brightness waits for it\n", why.c_str());
    reported_ = true;
  }
  reading_(std::nullopt);
}

std::optional<pollfd> LightSensor::pollFd() const {
  if (!bus_) return std::nullopt;
  sdbus::IConnection::PollData data = bus_->getEventLoopPollData();
  return pollfd{data.fd, data.events, 0};
}

std::optional<Clock::time_point> LightSensor::nextWake() const {
  if (!enabled_) return std::nullopt;
  if (!bus_ || claimWanted_) return retryAt_;
  sdbus::IConnection::PollData data = bus_->getEventLoopPollData();
  if (std::optional<std::chrono::microseconds> wait = data.getRelativeTimeout()) return Clock::now() + *wait;
  return std::nullopt;
}

void LightSensor::process() {
  if (!enabled_) return;
  if (!bus_) {
    if (Clock::now() >= retryAt_) connect();
    return;
  }
  if (claimWanted_ && Clock::now() >= retryAt_) {
    claimWanted_ = false;
    claim();
  }
  try {
    while (bus_ && bus_->processPendingRequest()) {
    }
  } catch (const sdbus::Error& e) {
    disconnect();
    retryAt_ = Clock::now() + kBusRetry;
    unavailable("lost the system bus (" + e.getMessage() + ")");
  }
}

}  // namespace vemod::automation
