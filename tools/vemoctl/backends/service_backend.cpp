#include "tools/vemoctl/backends/service_backend.h"

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <optional>

#include "contract/bus.h"
#include "tools/vemoctl/backends/monitor_selection.h"
#include "tools/vemoctl/value_forms.h"

namespace vemoctl {
namespace {

using vemo::bus::kBusName;
using vemo::bus::kManagerInterface;
using vemo::bus::kManagerPath;
using vemo::bus::kMonitorInterface;
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
using vemo::bus::kErrorPrefix;

using Properties = std::map<std::string, sdbus::Variant>;

}  // namespace

// The service's errors as vemoctl's exit codes; its message names the
// setting already.
Outcome serviceOutcome(const sdbus::Error& error) {
  const std::string& name = error.getName();
  if (name.rfind(kErrorPrefix, 0) != 0) {
    return {kExchangeFailed, "the service vemod did not answer (" + name + ": " + error.getMessage() + ")"};
  }
  const std::string kind = name.substr(std::string(kErrorPrefix).size());
  ExitCode code = kind == "OutOfRange"                             ? kOutOfRange
                  : kind == "NoSuchMonitor" || kind == "Gone"      ? kNoMonitor
                  : kind == "UnknownSetting" || kind == "ReadOnly" ? kUsage
                                                                   : kExchangeFailed;
  std::string message = error.getMessage();
  if (kind == "Busy") message += " (another program holds the monitor's bridge)";
  if (kind == "Gone") message += " (the monitor was removed)";
  return {code, message};
}

namespace {

Outcome outcomeOf(const sdbus::Error& error) { return serviceOutcome(error); }

class ServiceLink : public MonitorLink {
 public:
  ServiceLink(std::shared_ptr<sdbus::IConnection> connection, const std::string& path)
      : connection_(std::move(connection)), proxy_(sdbus::createProxy(*connection_, kBusName, path)) {}

  Readout read(const Setting& setting) override {
    try {
      if (setting.kind == Kind::CustomColor) return readColors(setting);
      sdbus::Variant value;
      proxy_->callMethod("Get")
          .onInterface(kMonitorInterface)
          .withArguments(std::string(setting.name))
          .storeResultsTo(value);
      Value read;
      switch (setting.kind) {
        case Kind::Byte:
          read.number = value.get<std::uint8_t>();
          break;
        case Kind::Mask:
          read.number = value.get<std::uint32_t>();
          break;
        case Kind::Hours:
          read.number = value.get<std::uint16_t>();
          break;
        default:
          read.text = value.get<std::string>();
          break;
      }
      return readoutOf(setting, read);
    } catch (const sdbus::Error& error) {
      return {outcomeOf(error), {}, nullptr, {}, ""};
    }
  }

  Outcome write(const Setting& setting, const Value& value) override {
    try {
      if (setting.kind == Kind::CustomColor) {
        for (const CustomColor& color : value.colors) {
          std::vector<std::uint8_t> levels(color.levels.begin(), color.levels.end());
          proxy_->callMethod("SetCustomColor")
              .onInterface(kMonitorInterface)
              .withArguments(color.type, levels);
        }
        return {};
      }
      sdbus::Variant typed = setting.kind == Kind::Byte
                                 ? sdbus::Variant(static_cast<std::uint8_t>(value.number))
                             : setting.kind == Kind::Mask ? sdbus::Variant(value.number)
                                                          : sdbus::Variant(value.text);
      proxy_->callMethod("Set")
          .onInterface(kMonitorInterface)
          .withArguments(std::string(setting.name), typed);
      return {};
    } catch (const sdbus::Error& error) {
      return outcomeOf(error);
    }
  }

  Outcome adjust(const Setting& setting, int delta, unsigned& written) override {
    try {
      sdbus::Variant value;
      proxy_->callMethod("Adjust")
          .onInterface(kMonitorInterface)
          .withArguments(std::string(setting.name), std::int32_t{delta})
          .storeResultsTo(value);
      written = value.get<std::uint8_t>();
      return {};
    } catch (const sdbus::Error& error) {
      return outcomeOf(error);
    }
  }

  const ModelChoices& choices() override {
    if (!choices_) {
      choices_ = ModelChoices{};
      try {
        sdbus::Variant value = proxy_->getProperty("Choices").onInterface(kMonitorInterface);
        for (const auto& [setting, names] :
             value.get<std::map<std::string, std::map<std::string, std::uint32_t>>>()) {
          (*choices_)[setting] = ChoiceNames(names.begin(), names.end());
        }
      } catch (const sdbus::Error&) {
        // A service without names: the numbers alone.
      }
    }
    return *choices_;
  }

  Outcome reset(const std::string& group) override {
    try {
      proxy_->callMethod("Reset").onInterface(kMonitorInterface).withArguments(group);
      return {};
    } catch (const sdbus::Error& error) {
      return outcomeOf(error);
    }
  }

 private:
  Readout readColors(const Setting& setting) {
    Value read;
    for (std::uint8_t type = 0; type <= vemo::settings::kMaxCustomColorType; ++type) {
      std::vector<std::uint8_t> levels;
      proxy_->callMethod("GetCustomColor")
          .onInterface(kMonitorInterface)
          .withArguments(type)
          .storeResultsTo(levels);
      if (levels.size() != 6) {
        return {{kExchangeFailed, std::string(setting.name) + ": the service sent a malformed reply"},
                {},
                nullptr,
                {},
                ""};
      }
      CustomColor color;
      color.type = type;
      std::copy(levels.begin(), levels.end(), color.levels.begin());
      read.colors.push_back(color);
    }
    return readoutOf(setting, read);
  }

  std::shared_ptr<sdbus::IConnection> connection_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  std::optional<ModelChoices> choices_;
};

std::string textOf(const Properties& properties, const char* name) {
  auto found = properties.find(name);
  return found == properties.end() ? "" : found->second.get<std::string>();
}

class ServiceBackend : public Backend {
 public:
  ServiceBackend() : connection_(sdbus::createSessionBusConnection()) {}

  bool throughService() const override { return true; }

  // The service knows every monitor's identity: `full` costs nothing more.
  std::vector<Identity> monitors(bool /*full*/) override {
    try {
      auto manager = sdbus::createProxy(*connection_, kBusName, kManagerPath);
      sdbus::Variant listed = manager->getProperty("Monitors").onInterface(kManagerInterface);
      std::vector<Identity> found;
      paths_.clear();
      for (const sdbus::ObjectPath& path : listed.get<std::vector<sdbus::ObjectPath>>()) {
        auto monitor = sdbus::createProxy(*connection_, kBusName, path);
        Properties properties;
        monitor->callMethod("GetAll")
            .onInterface(kProperties)
            .withArguments(std::string(kMonitorInterface))
            .storeResultsTo(properties);
        Identity identity;
        identity.index = static_cast<int>(found.size());
        identity.id = textOf(properties, "Id");
        identity.usbSerial = textOf(properties, "UsbSerial");
        identity.bridgeFirmware = textOf(properties, "BridgeFirmware");
        identity.model = textOf(properties, "Model");
        identity.serialNumber = textOf(properties, "SerialNumber");
        identity.assetTag = textOf(properties, "AssetTag");
        found.push_back(identity);
        paths_.push_back(path);
      }
      return found;
    } catch (const sdbus::Error& error) {
      throw ToolError(kExchangeFailed, "the service vemod did not list its monitors: " + error.getMessage());
    }
  }

  std::unique_ptr<MonitorLink> open(const MonitorChoice& choice) override {
    std::vector<Identity> all = monitors(true);
    if (all.empty()) throw ToolError(kNoMonitor, "no monitor found (the service vemod serves none)");
    std::size_t position = 0;
    if (choice.kind == MonitorChoice::Kind::Key) {
      try {
        position = monitorNamed(all, choice.key);
      } catch (const ToolError& e) {
        if (e.code() != kNoMonitor || !refreshedIdentities(choice.key)) throw;
        all = monitors(true);
        position = monitorNamed(all, choice.key);
      }
    } else if (choice.index >= static_cast<int>(all.size())) {
      throw ToolError(kNoMonitor, "no monitor " + std::to_string(choice.index) + " (found " +
                                      std::to_string(all.size()) + ", numbered from 0)");
    } else {
      position = static_cast<std::size_t>(choice.index);
    }
    return std::make_unique<ServiceLink>(connection_, paths_.at(position));
  }

 private:
  // The service reads the identities of its monitors again when a key misses
  // (another program may have changed an asset tag): true when it then
  // found the key.
  bool refreshedIdentities(const std::string& key) {
    try {
      sdbus::ObjectPath path;
      sdbus::createProxy(*connection_, kBusName, kManagerPath)
          ->callMethod("FindMonitor")
          .onInterface(kManagerInterface)
          .withArguments(key)
          .storeResultsTo(path);
      return true;
    } catch (const sdbus::Error& error) {
      return error.getName() == std::string(kErrorPrefix) + "Ambiguous";
    }
  }

  std::shared_ptr<sdbus::IConnection> connection_;
  std::vector<std::string> paths_;
};

}  // namespace

std::unique_ptr<Backend> serviceBackend() { return std::make_unique<ServiceBackend>(); }

}  // namespace vemoctl
