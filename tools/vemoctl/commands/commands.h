// The subcommands. Each returns the exit code, or throws ToolError.
#pragma once

#include <string>
#include <vector>

#include "tools/vemoctl/backends/monitor_link.h"
#include "tools/vemoctl/bridges/wait.h"
#include "tools/vemoctl/exit_codes.h"
#include "tools/vemoctl/settings_model.h"

namespace CLI {
class App;
}

namespace vemoctl {

struct GlobalOptions {
  MonitorChoice monitor;
  bool monitorGiven = false;  // --monitor was on the command line
  bool direct = false;        // through the library even when the service runs
  bool json = false;
  bool simulate = false;
  std::string logLevel;
  double wait = kDefaultBridgeWait;  // seconds to wait, directly, for a bridge another program holds
};

struct RestoreOptions {
  bool dryRun = false;            // print what would change, send nothing
  std::vector<std::string> only;  // these settings of the profile alone
};

// The monitors: through the service when it runs, else (and with --direct or
// --simulate) through the library in this process.
std::unique_ptr<Backend> chooseBackend(const GlobalOptions& options);

int runList(const GlobalOptions& options, bool identity);
int runInfo(const GlobalOptions& options, MonitorLink& link);
int runGet(const GlobalOptions& options, MonitorLink& link, const std::vector<std::string>& names, bool all);
// NAME VALUE pairs; a value +N or -N is a step from the current value.
int runSet(const GlobalOptions& options, MonitorLink& link, const std::vector<std::string>& words,
           bool verify);
int runDump(const GlobalOptions& options, MonitorLink& link);
int runRestore(const GlobalOptions& options, MonitorLink& link, const std::string& file,
               const RestoreOptions& restore);
int runReset(const GlobalOptions& options, MonitorLink& link, const std::string& what, bool yes);
int runRegisterRead(const GlobalOptions& options, unsigned reg, unsigned count);
int runRegisterWrite(const GlobalOptions& options, unsigned reg, const std::vector<unsigned>& bytes);
// Reads until the bits match, at most `tries` reads (0: no limit) and, when
// `timeoutSeconds` > 0, no longer than that.
int runRegisterWait(const GlobalOptions& options, unsigned reg, unsigned mask, unsigned value, int tries,
                    double timeoutSeconds);
int runIsp(const GlobalOptions& options);
int runSettings(const GlobalOptions& options);
int runSimReset(const GlobalOptions& options);
// Writes to `outputFile` in one step when it is not empty.
int runMetrics(const GlobalOptions& options, const std::string& outputFile, bool allSettings);
int runDoctor(const GlobalOptions& options);
int runCompletion(const CLI::App& app, const std::string& shell);

// The settings named on the command line; throws ToolError(kUsage) for an
// unknown name, suggesting the nearest one.
const Setting& settingNamed(const std::string& name);

}  // namespace vemoctl
