// vemoctl metrics: every monitor's identity, backlight hours, power state and
// optionally its settings, in the Prometheus text format, for node_exporter's
// textfile collector or a scrape.
#include <iostream>
#include <optional>
#include <set>

#include "tools/vemoctl/backends/automation_client.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/atomic_file.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/output/prometheus_text.h"

namespace vemoctl {
namespace {

struct MonitorReadings {
  std::string id;
  bool up = true;
  std::optional<Labels> info;  // left out when one of its reads failed
  std::optional<double> backlightHours;
  std::optional<double> powerState;
  std::vector<std::pair<std::string, double>> settings;
  std::map<std::string, std::uint64_t> writes;  // through the service: the writes it sent, per setting
};

// The id the backend gave, else the serial number the monitor reports, else
// the bridge's USB serial, else the position; an id an earlier monitor already
// has is passed over, as the service does.
std::string chooseId(const std::string& serialNumber, const std::string& usbSerial, int position,
                     const std::set<std::string>& taken) {
  for (const std::string& candidate : {serialNumber, usbSerial}) {
    if (!candidate.empty() && taken.count(candidate) == 0) return candidate;
  }
  std::string id = std::to_string(position);
  for (int n = 2; taken.count(id) > 0; ++n) id = std::to_string(position) + "-" + std::to_string(n);
  return id;
}

class MonitorReader {
 public:
  explicit MonitorReader(MonitorLink& link) : link_(link) {}

  // Reads a setting; nothing when the read failed, which marks the monitor down.
  std::optional<Readout> read(const char* name) {
    Readout readout = link_.read(*findSetting(name));
    if (readout.outcome.ok()) return readout;
    up = false;
    printError(std::string("metrics: ") + name + ": " + readout.outcome.message);
    return std::nullopt;
  }
  std::optional<std::string> text(const char* name) {
    auto readout = read(name);
    if (!readout) return std::nullopt;
    return readout->lines.front();
  }
  std::optional<double> number(const char* name) {
    auto readout = read(name);
    if (!readout) return std::nullopt;
    if (readout->json.is_string()) return std::stoul(readout->json.get<std::string>(), nullptr, 16);
    return readout->json.get<double>();
  }

  bool up = true;

 private:
  MonitorLink& link_;
};

MonitorReadings readMonitor(Backend& backend, const Identity& identity, bool allSettings,
                            const std::set<std::string>& taken) {
  MonitorReadings readings;
  std::unique_ptr<MonitorLink> link;
  try {
    link = backend.open(MonitorChoice{MonitorChoice::Kind::Index, identity.index, ""});
  } catch (const ToolError& e) {
    printError(std::string("metrics: ") + e.what());
    readings.id = identity.id.empty() ? chooseId("", identity.usbSerial, identity.index, taken) : identity.id;
    readings.up = false;
    return readings;
  }
  MonitorReader reader(*link);
  auto model = reader.text("monitor-name");
  auto serialNumber = reader.text("serial-number");
  auto assetTag = reader.text("asset-tag");
  auto firmware = reader.text("firmware-version");
  readings.id = identity.id.empty()
                    ? chooseId(serialNumber.value_or(""), identity.usbSerial, identity.index, taken)
                    : identity.id;
  if (model && serialNumber && assetTag && firmware) {
    readings.info = Labels{{"model", *model},
                           {"serial_number", *serialNumber},
                           {"asset_tag", *assetTag},
                           {"firmware", *firmware},
                           {"usb_serial", identity.usbSerial}};
  }
  readings.backlightHours = reader.number("backlight-hours");
  readings.powerState = reader.number("power-state");
  if (allSettings) {
    for (const Setting& setting : catalogue()) {
      if (setting.kind != Kind::Byte && setting.kind != Kind::Mask) continue;
      if (auto value = reader.number(setting.name)) readings.settings.emplace_back(setting.name, *value);
    }
  }
  readings.up = reader.up;
  return readings;
}

std::vector<MetricFamily> families(const std::vector<MonitorReadings>& monitors, bool allSettings,
                                   bool throughService) {
  MetricFamily info{"vemo_monitor_info", "The monitor's identity; always 1.", "gauge", {}};
  MetricFamily hours{"vemo_monitor_backlight_hours_total", "Hours the backlight has been on.", "counter", {}};
  MetricFamily power{"vemo_monitor_power_state", "The monitor's power state setting.", "gauge", {}};
  MetricFamily up{
      "vemo_monitor_up", "1 when every read from the monitor succeeded in this run, else 0.", "gauge", {}};
  MetricFamily setting{"vemo_monitor_setting",
                       "A one-byte setting's value, or a choice or capability mask as a number.",
                       "gauge",
                       {}};
  MetricFamily writes{"vemo_monitor_writes_total",
                      "Writes the service sent to the monitor per setting since it started.",
                      "counter",
                      {}};
  for (const MonitorReadings& monitor : monitors) {
    Labels id{{"id", monitor.id}};
    if (monitor.info) {
      Labels labels = id;
      labels.insert(labels.end(), monitor.info->begin(), monitor.info->end());
      info.samples.push_back({labels, 1});
    }
    if (monitor.backlightHours) hours.samples.push_back({id, *monitor.backlightHours});
    if (monitor.powerState) power.samples.push_back({id, *monitor.powerState});
    up.samples.push_back({id, monitor.up ? 1.0 : 0.0});
    for (const auto& [name, value] : monitor.settings) {
      setting.samples.push_back({{{"id", monitor.id}, {"setting", name}}, value});
    }
    for (const auto& [name, count] : monitor.writes) {
      writes.samples.push_back({{{"id", monitor.id}, {"setting", name}}, static_cast<double>(count)});
    }
  }
  std::vector<MetricFamily> all{info, hours, power, up};
  if (allSettings) all.push_back(setting);
  if (throughService) all.push_back(writes);
  return all;
}

}  // namespace

int runMetrics(const GlobalOptions& options, const std::string& outputFile, bool allSettings) {
  // Directly the monitors are read one after another; the service answers
  // with the identities it read at attach.
  std::unique_ptr<Backend> backend = chooseBackend(options);
  std::vector<Identity> identities = backend->monitors(false);
  std::vector<MonitorReadings> monitors;
  std::set<std::string> taken;
  for (const Identity& identity : identities) {
    monitors.push_back(readMonitor(*backend, identity, allSettings, taken));
    taken.insert(monitors.back().id);
  }

  // Written even without monitors, so that a collector's file never goes stale.
  if (backend->throughService()) {
    try {
      auto writes = AutomationClient::writesByMonitor();
      for (MonitorReadings& monitor : monitors) monitor.writes = writes[monitor.id];
    } catch (const sdbus::Error& error) {
      printError("metrics: the service's counts of writes: " + error.getMessage());
    }
  }
  std::string text = exposition(families(monitors, allSettings, backend->throughService()));
  if (outputFile.empty()) {
    std::cout << text;
  } else {
    replaceFile(outputFile, text);
  }
  if (identities.empty()) throw ToolError(kNoMonitor, "metrics: no monitor found");
  for (const MonitorReadings& monitor : monitors) {
    if (!monitor.up) return kExchangeFailed;
  }
  return kOk;
}

}  // namespace vemoctl
