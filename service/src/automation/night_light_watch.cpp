#include "service/src/automation/night_light_watch.h"

#include <algorithm>
#include <chrono>

namespace vemod::automation {
namespace {

constexpr const char* kColorName = "org.gnome.SettingsDaemon.Color";
constexpr const char* kColorPath = "/org/gnome/SettingsDaemon/Color";
constexpr const char* kColorInterface = "org.gnome.SettingsDaemon.Color";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

}  // namespace

NightLightWatch::NightLightWatch(sdbus::IConnection& session, std::function<void(bool)> changed)
    : changed_(std::move(changed)), proxy_(sdbus::createProxy(session, kColorName, kColorPath)) {
  ownerMatch_ = session.addMatch(
      std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                  "member='NameOwnerChanged',arg0='") +
          kColorName + "'",
      [this](sdbus::Message& message) {
        std::string name, oldOwner, newOwner;
        message >> name >> oldOwner >> newOwner;
        if (!newOwner.empty()) read();
      });
  propertiesMatch_ = session.addMatch(
      std::string("type='signal',interface='") + kProperties + "',member='PropertiesChanged',path='" +
          kColorPath + "',arg0='" + kColorInterface + "'",
      [this](sdbus::Message& message) {
        std::string interface;
        std::map<std::string, sdbus::Variant> changed;
        std::vector<std::string> invalidated;
        message >> interface >> changed >> invalidated;
        auto found = changed.find("NightLightActive");
        if (found != changed.end() && found->second.peekValueType() == "b") {
          update(found->second.get<bool>());
        } else if (std::find(invalidated.begin(), invalidated.end(), "NightLightActive") !=
                   invalidated.end()) {
          read();
        }
      });
  read();
}

void NightLightWatch::read() {
  proxy_->callMethodAsync("Get")
      .onInterface(kProperties)
      .withTimeout(std::chrono::seconds(5))
      .withArguments(std::string(kColorInterface), std::string("NightLightActive"))
      .uponReplyInvoke([this](const sdbus::Error* error, const sdbus::Variant& value) {
        if (error == nullptr && value.peekValueType() == "b") update(value.get<bool>());
      });
}

void NightLightWatch::update(bool active) {
  if (active_ == active) return;
  active_ = active;
  changed_(active);
}

}  // namespace vemod::automation
