#include "service/src/supervisor/monitor_object.h"

#include <array>

#include "catalogue/models.h"
#include "catalogue/operations.h"
#include "contract/bus.h"
#include "service/src/supervisor/bus_values.h"
#include "service/src/worker_messages.h"

namespace vemod {

namespace bus = vemo::bus;

namespace {

using catalogue::Kind;
using Levels = std::vector<std::uint8_t>;

// Answers the call with `onSuccess(value)` or the worker's error.
template <typename... Results, typename OnSuccess>
Completion answer(sdbus::Result<Results...>&& result, OnSuccess onSuccess) {
  auto shared = std::make_shared<sdbus::Result<Results...>>(std::move(result));
  return [shared, onSuccess](const Json& reply) {
    if (succeeded(reply)) {
      try {
        onSuccess(*shared, reply["value"]);
      } catch (const Json::exception&) {
        shared->returnError(serviceError(bus::kCommFailure, "the monitor's worker sent a malformed reply"));
      }
    } else {
      shared->returnError(serviceError(reply.value("error", bus::kCommFailure), reply.value("message", "")));
    }
  };
}

const catalogue::Setting& adjustable(const std::string& name) {
  const catalogue::Setting& setting = settingFor(name);
  if (setting.kind != Kind::Byte) {
    throw sdbus::Error(bus::kInvalidArgs, name + ": Adjust takes one-byte settings only");
  }
  return setting;
}

}  // namespace

MonitorObject::MonitorObject(sdbus::IConnection& connection, Identity& identity, Submit submit,
                             const ExtendObject& extend)
    : identity_(identity),
      submit_(std::move(submit)),
      object_(sdbus::createObject(connection, objectPathFor(identity.id))) {
  registerCalls();
  registerProperties();
  object_->registerSignal("ValueChanged")
      .onInterface(bus::kMonitorInterface)
      .withParameters<std::string, sdbus::Variant>("name", "value");
  object_->registerSignal("WasReset")
      .onInterface(bus::kMonitorInterface)
      .withParameters<std::string>("group");
  if (extend) extend(*object_);
  object_->finishRegistration();
}

MonitorObject::~MonitorObject() { object_->unregister(); }

void MonitorObject::registerCalls() {
  const char* i = bus::kMonitorInterface;
  object_->registerMethod("Get")
      .onInterface(i)
      .withInputParamNames("name")
      .withOutputParamNames("value")
      .implementedAs([this](sdbus::Result<sdbus::Variant>&& result, const std::string& name) {
        const catalogue::Setting& setting = settingFor(name);
        if (setting.kind == Kind::CustomColor) {
          throw serviceError(bus::kUnknownSetting, name + " is read with GetCustomColor");
        }
        submit_(ask::get(name),
                answer(std::move(result),
                       [&setting](auto& r, const Json& v) { r.returnResults(toVariant(setting, v)); }),
                "");
      });
  object_->registerMethod("Set")
      .onInterface(i)
      .withInputParamNames("name", "value")
      .implementedAs([this](sdbus::Result<>&& result, const std::string& name, const sdbus::Variant& value) {
        const catalogue::Setting& setting = settingFor(name);
        auto names = identity_.choices.find(name);
        Json checked =
            writeValue(setting, value, names == identity_.choices.end() ? nullptr : &names->second);
        submit_(ask::set(name, checked),
                answer(std::move(result), [](auto& r, const Json&) { r.returnResults(); }), name);
      });
  object_->registerMethod("Adjust")
      .onInterface(i)
      .withInputParamNames("name", "delta")
      .withOutputParamNames("value")
      .implementedAs(
          [this](sdbus::Result<sdbus::Variant>&& result, const std::string& name, std::int32_t delta) {
            const catalogue::Setting& setting = adjustable(name);
            submit_(ask::adjust(name, delta),
                    answer(std::move(result),
                           [&setting](auto& r, const Json& v) { r.returnResults(toVariant(setting, v)); }),
                    "");
          });
  object_->registerMethod("GetAll").onInterface(i).withOutputParamNames("values").implementedAs(
      [this](sdbus::Result<std::map<std::string, sdbus::Variant>>&& result) {
        submit_(ask::getAll(),
                answer(std::move(result),
                       [](auto& r, const Json& values) {
                         std::map<std::string, sdbus::Variant> out;
                         for (const auto& [name, value] : values.items())
                           out[name] = toVariant(settingFor(name), value);
                         r.returnResults(out);
                       }),
                "");
      });
  object_->registerMethod("GetCustomColor")
      .onInterface(i)
      .withInputParamNames("type")
      .withOutputParamNames("levels")
      .implementedAs([this](sdbus::Result<Levels>&& result, std::uint8_t type) {
        checkCustomColor(type, nullptr);
        submit_(ask::getColor(type),
                answer(std::move(result), [](auto& r, const Json& v) { r.returnResults(v.get<Levels>()); }),
                "");
      });
  object_->registerMethod("SetCustomColor")
      .onInterface(i)
      .withInputParamNames("type", "levels")
      .implementedAs([this](sdbus::Result<>&& result, std::uint8_t type, const Levels& levels) {
        checkCustomColor(type, &levels);
        submit_(ask::setColor(type, levels),
                answer(std::move(result), [](auto& r, const Json&) { r.returnResults(); }),
                "custom-color:" + std::to_string(type));
      });
  object_->registerMethod("Reset").onInterface(i).withInputParamNames("group").implementedAs(
      [this](sdbus::Result<>&& result, const std::string& group) {
        const std::vector<std::string>& groups = catalogue::resetGroups();
        if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
          std::string known;
          for (const std::string& name : groups) known += (known.empty() ? "" : ", ") + name;
          throw sdbus::Error(bus::kInvalidArgs,
                             "reset: unknown group " + catalogue::shownInput(group) + "; accepted: " + known);
        }
        submit_(ask::reset(group), answer(std::move(result), [](auto& r, const Json&) { r.returnResults(); }),
                "");
      });
}

void MonitorObject::registerProperties() {
  auto text = [this](const char* name, std::string Identity::*field) {
    object_->registerProperty(name).onInterface(bus::kMonitorInterface).withGetter([this, field] {
      return identity_.*field;
    });
  };
  text("Id", &Identity::id);
  text("UsbSerial", &Identity::usbSerial);
  text("Model", &Identity::model);
  text("SerialNumber", &Identity::serialNumber);
  text("AssetTag", &Identity::assetTag);
  text("Firmware", &Identity::firmware);
  text("BridgeFirmware", &Identity::bridgeFirmware);
  object_->registerProperty("Choices").onInterface(bus::kMonitorInterface).withGetter([this] {
    std::map<std::string, std::map<std::string, std::uint32_t>> choices;
    for (const auto& [setting, names] : identity_.choices)
      choices[setting].insert(names.begin(), names.end());
    return choices;
  });
}

void MonitorObject::refreshIdentity(const Json& reported) {
  std::vector<std::string> changed;
  auto take = [&](const char* property, std::string Identity::*field, const char* key) {
    std::string now = reported.value(key, "");
    if (identity_.*field != now) {
      identity_.*field = now;
      changed.emplace_back(property);
    }
  };
  take("Model", &Identity::model, "model");
  take("SerialNumber", &Identity::serialNumber, "serial-number");
  take("AssetTag", &Identity::assetTag, "asset-tag");
  take("Firmware", &Identity::firmware, "firmware");
  if (std::find(changed.begin(), changed.end(), "Model") != changed.end()) {
    identity_.choices = catalogue::choicesForModel(identity_.model);
    changed.emplace_back("Choices");
  }
  if (!changed.empty()) object_->emitPropertiesChangedSignal(bus::kMonitorInterface, changed);
}

void MonitorObject::announce(const Json& request, const Json& reply) {
  const Op op = opOf(request);
  if (reply.value("unchanged", false)) return;  // the monitor already held the value: nothing changed
  if (op == Op::Reset) {
    object_->emitSignal("WasReset")
        .onInterface(bus::kMonitorInterface)
        .withArguments(request["group"].get<std::string>());
    return;
  }
  if (op == Op::SetColor) {
    sdbus::Struct<std::uint8_t, Levels> color{request["type"].get<std::uint8_t>(),
                                              request["levels"].get<Levels>()};
    object_->emitSignal("ValueChanged")
        .onInterface(bus::kMonitorInterface)
        .withArguments(std::string("custom-color"), sdbus::Variant(color));
    return;
  }
  if (op != Op::Set && op != Op::Adjust) return;
  const std::string name = request["name"];
  const catalogue::Setting& setting = settingFor(name);
  object_->emitSignal("ValueChanged")
      .onInterface(bus::kMonitorInterface)
      .withArguments(name, toVariant(setting, reply["value"]));
  if (name == "asset-tag") {
    identity_.assetTag = reply["value"].get<std::string>();
    object_->emitPropertiesChangedSignal(bus::kMonitorInterface, {"AssetTag"});
  }
}

}  // namespace vemod
