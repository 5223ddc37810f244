// vemoctl: read and change a monitor's settings from a shell.
#include <map>

#include "catalogue/models.h"
#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/backends/simulate.h"
#include "tools/vemoctl/command_line/command_line.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/settings_model.h"

namespace {

const std::map<std::string, unsigned char> kLogLevels = {{"off", VEMO_LOG_OFF},
                                                         {"error", VEMO_LOG_ERROR},
                                                         {"warn", VEMO_LOG_WARN},
                                                         {"debug", VEMO_LOG_DEBUG},
                                                         {"trace", VEMO_LOG_TRACE}};

}  // namespace

int main(int argc, char** argv) {
  using namespace vemoctl;
  try {
    CommandLine commandLine;
    addModelDirectoriesBesideProgram({VEMO_MODELS_BUILD_DIR, VEMO_MODELS_INSTALL_DIR});
    if (auto done = commandLine.parse(argc, argv)) return finishOutput(*done);
    if (commandLine.needsSimulator()) enterSimulator(argv);
    const std::string& level = commandLine.options().logLevel;
    if (!level.empty()) SetDebugLevel(kLogLevels.at(level));
    return finishOutput(commandLine.runCommand());
  } catch (const ToolError& e) {
    printError(e.what());
    return finishOutput(e.code());
  } catch (const vemo::catalogue::ValueError& e) {
    printError(e.what());
    return finishOutput(exitCodeOf(e));
  }
}
