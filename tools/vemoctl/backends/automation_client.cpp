#include "tools/vemoctl/backends/automation_client.h"

#include "contract/bus.h"
#include "tools/vemoctl/backends/monitor_selection.h"
#include "tools/vemoctl/backends/service_backend.h"
#include "tools/vemoctl/backends/service_presence.h"

namespace vemoctl {
namespace {

using vemo::bus::kBusName;
using vemo::bus::kManagerInterface;
using vemo::bus::kManagerPath;
using vemo::bus::kMonitorInterface;

}  // namespace

AutomationClient::AutomationClient(const GlobalOptions& options, const std::string& command)
    : options_(options), command_(command) {
  std::string why;
  if (options.direct) why = "--direct leaves the service out";
  if (options.simulate) why = "--simulate reaches the simulated monitors without it";
  if (why.empty() && !servicePresence().running) why = "vemod does not run (systemctl --user start vemod)";
  if (!why.empty()) {
    throw ToolError(kUsage, command + " needs the service vemod (" + std::string(kBusName) + "): " + why);
  }
  try {
    connection_ = sdbus::createSessionBusConnection();
    manager_ = sdbus::createProxy(*connection_, kBusName, kManagerPath);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

void AutomationClient::fail(const sdbus::Error& error) const {
  Outcome outcome = serviceOutcome(error);
  throw ToolError(outcome.code, command_ + ": " + outcome.message);
}

sdbus::Variant AutomationClient::manager(const std::string& property) {
  try {
    return manager_->getProperty(property).onInterface(kManagerInterface);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

void AutomationClient::setManager(const std::string& property, const sdbus::Variant& value) {
  try {
    manager_->setProperty(property).onInterface(kManagerInterface).toValue(value);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

void AutomationClient::setLevel(double level) {
  try {
    manager_->callMethod("SetLevel").onInterface(kManagerInterface).withArguments(level);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

std::vector<AutomationClient::Monitor> AutomationClient::chosen(bool allWhenNotGiven) {
  std::vector<Identity> identities;
  std::vector<Monitor> monitors;
  try {
    auto listed = manager(std::string("Monitors")).get<std::vector<sdbus::ObjectPath>>();
    for (const sdbus::ObjectPath& path : listed) {
      auto proxy = sdbus::createProxy(*connection_, kBusName, path);
      Identity identity;
      identity.index = static_cast<int>(identities.size());
      auto text = [&proxy](const char* name) {
        return proxy->getProperty(name).onInterface(kMonitorInterface).get<std::string>();
      };
      identity.id = text("Id");
      identity.usbSerial = text("UsbSerial");
      identity.serialNumber = text("SerialNumber");
      identity.assetTag = text("AssetTag");
      identities.push_back(identity);
      monitors.push_back(Monitor{identity.id, path});
    }
  } catch (const sdbus::Error& error) {
    fail(error);
  }
  if (monitors.empty())
    throw ToolError(kNoMonitor, command_ + ": no monitor found (the service vemod serves none)");
  const MonitorChoice& choice = options_.monitor;
  if ((!options_.monitorGiven && allWhenNotGiven) || choice.kind == MonitorChoice::Kind::All) return monitors;
  if (choice.kind == MonitorChoice::Kind::Key) return {monitors.at(monitorNamed(identities, choice.key))};
  if (choice.index >= static_cast<int>(monitors.size())) {
    throw ToolError(kNoMonitor, "no monitor " + std::to_string(choice.index) + " (found " +
                                    std::to_string(monitors.size()) + ", numbered from 0)");
  }
  return {monitors.at(static_cast<std::size_t>(choice.index))};
}

sdbus::Variant AutomationClient::monitor(const Monitor& monitor, const std::string& property) {
  try {
    return sdbus::createProxy(*connection_, kBusName, monitor.path)
        ->getProperty(property)
        .onInterface(kMonitorInterface);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

void AutomationClient::setMonitor(const Monitor& monitor, const std::string& property,
                                  const sdbus::Variant& value) {
  try {
    sdbus::createProxy(*connection_, kBusName, monitor.path)
        ->setProperty(property)
        .onInterface(kMonitorInterface)
        .toValue(value);
  } catch (const sdbus::Error& error) {
    fail(error);
  }
}

std::map<std::string, std::map<std::string, std::uint64_t>> AutomationClient::writesByMonitor() {
  std::map<std::string, std::map<std::string, std::uint64_t>> writes;
  auto connection = sdbus::createSessionBusConnection();
  auto manager = sdbus::createProxy(*connection, kBusName, kManagerPath);
  sdbus::Variant listed = manager->getProperty("Monitors").onInterface(kManagerInterface);
  for (const sdbus::ObjectPath& path : listed.get<std::vector<sdbus::ObjectPath>>()) {
    auto proxy = sdbus::createProxy(*connection, kBusName, path);
    std::string id = proxy->getProperty("Id").onInterface(kMonitorInterface).get<std::string>();
    writes[id] = proxy->getProperty("Writes")
                     .onInterface(kMonitorInterface)
                     .get<std::map<std::string, std::uint64_t>>();
  }
  return writes;
}

}  // namespace vemoctl
