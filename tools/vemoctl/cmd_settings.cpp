// vemoctl get and set.
#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/output.h"
#include "tools/vemoctl/session.h"
#include "tools/vemoctl/suggest.h"

namespace vemoctl {

const Setting& settingNamed(const std::string& name) {
  if (const Setting* setting = findSetting(name)) return *setting;
  std::string nearest = nearestName(name, settingNames());
  std::string hint =
      nearest.empty() ? "; 'vemoctl get --help' lists the settings" : "; did you mean '" + nearest + "'?";
  throw ToolError(kUsage, "unknown setting '" + name + "'" + hint);
}

int runGet(const GlobalOptions& options, const std::vector<std::string>& names, bool all) {
  if (all == !names.empty()) throw ToolError(kUsage, "get: name the settings, or pass --all");
  std::vector<const Setting*> settings;
  if (all) {
    for (const Setting& setting : catalogue()) settings.push_back(&setting);
  } else {
    for (const std::string& name : names) settings.push_back(&settingNamed(name));
  }

  Session session(options.monitor);
  std::vector<NamedReading> readings;
  int failure = kOk;
  for (const Setting* setting : settings) {
    Reading reading = readSetting(*setting);
    if (reading.result != STATUS_OK) {
      printError(std::string("get ") + setting->name + ": " + describeFailure(reading.result));
      if (failure == kOk) failure = exitCodeFor(reading.result);
    }
    readings.push_back({setting, std::move(reading)});
  }
  printReadings(readings, options.json, !all && names.size() == 1);
  return failure;
}

int runSet(const GlobalOptions& options, const std::string& name, const std::string& value) {
  const Setting& setting = settingNamed(name);
  Write write = parseValue(setting, value);
  Session session(options.monitor);
  int result = write();
  if (result == STATUS_OUT_OF_RANGE) {
    throw ToolError(kOutOfRange,
                    name + ": " + value + " is out of range; accepted values: " + acceptedValues(setting));
  }
  requireOk(result, "set " + name);
  return kOk;
}

int runDump(const GlobalOptions& options) { return runGet(options, {}, true); }

}  // namespace vemoctl
