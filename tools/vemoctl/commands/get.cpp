// vemoctl get and dump: settings read and printed, or saved as a profile.
#include "tools/vemoctl/command_line/suggest.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

namespace vemoctl {

const Setting& settingNamed(const std::string& name) {
  if (const Setting* setting = findSetting(name)) return *setting;
  std::string nearest = nearestName(name, settingNames());
  std::string hint =
      nearest.empty() ? "; 'vemoctl get --help' lists the settings" : "; did you mean '" + nearest + "'?";
  throw ToolError(kUsage, "unknown setting '" + name + "'" + hint);
}

namespace {

struct Readings {
  std::vector<NamedReading> readings;
  int failure = kOk;  // the exit code of the first failed read
  int failed = 0;
};

// Reads the settings in turn; each failure is reported as it happens. A
// read of them all takes seconds: on a terminal, a progress indicator shows.
Readings readAll(MonitorLink& link, const char* command, const std::vector<const Setting*>& settings,
                 bool showProgress) {
  Progress progress(showProgress ? static_cast<int>(settings.size()) : 0);
  Readings out;
  for (const Setting* setting : settings) {
    if (showProgress) progress.step(setting->name);
    Readout reading = link.read(*setting);
    if (!reading.outcome.ok()) {
      progress.clear();
      printError(about(command, setting->name, reading.outcome.message));
      if (out.failure == kOk) out.failure = reading.outcome.code;
      ++out.failed;
    }
    out.readings.push_back({setting, std::move(reading)});
  }
  return out;
}

std::vector<const Setting*> everySetting() {
  std::vector<const Setting*> settings;
  for (const Setting& setting : catalogue()) settings.push_back(&setting);
  return settings;
}

}  // namespace

int runGet(const GlobalOptions& options, MonitorLink& link, const std::vector<std::string>& names, bool all) {
  if (all == !names.empty()) throw ToolError(kUsage, "get: name the settings, or pass --all");
  std::vector<const Setting*> settings;
  if (all) {
    settings = everySetting();
  } else {
    for (const std::string& name : names) settings.push_back(&settingNamed(name));
  }
  Readings result = readAll(link, "get", settings, all);
  if (all) {
    // A listing names the choices; a single value stays a bare number for scripts.
    for (NamedReading& r : result.readings) {
      if (r.reading.outcome.ok())
        r.reading.choice = choiceName(r.reading.value, choiceNamesOf(link, *r.setting));
    }
  }
  printReadings(result.readings, options.json, !all && names.size() == 1);
  return result.failure;
}

// A profile goes out only once every setting is in it: one that lacks a
// setting, or was cut short, must not pass for a complete backup.
int runDump(const GlobalOptions& options, MonitorLink& link) {
  Readings result = readAll(link, "dump", everySetting(), true);
  if (result.failed > 0) {
    throw ToolError(static_cast<ExitCode>(result.failure),
                    "dump: " + std::to_string(result.failed) + " of " +
                        std::to_string(result.readings.size()) +
                        " settings could not be read; no profile printed");
  }
  printReadings(result.readings, options.json, false);
  return kOk;
}

}  // namespace vemoctl
