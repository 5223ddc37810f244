// The subcommands. Each returns the exit code, or throws ToolError.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/exit_codes.h"

namespace CLI {
class App;
}

namespace vemoctl {

struct GlobalOptions {
  int monitor = 0;
  bool monitorGiven = false;  // --monitor was on the command line
  bool json = false;
  bool simulate = false;
  std::string logLevel;
};

int runList(const GlobalOptions& options);
int runInfo(const GlobalOptions& options);
int runGet(const GlobalOptions& options, const std::vector<std::string>& names, bool all);
int runSet(const GlobalOptions& options, const std::string& name, const std::string& value);
int runDump(const GlobalOptions& options);
int runRestore(const GlobalOptions& options, const std::string& file);
int runReset(const GlobalOptions& options, const std::string& what, bool yes);
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
