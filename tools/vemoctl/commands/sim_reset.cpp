// vemoctl sim-reset: the simulated monitor back to its factory state.
#include <dlfcn.h>

#include <iostream>

#include "include/VemoMonitorSdk.h"
#include "sim/preload/simulator_api.h"
#include "tools/vemoctl/commands/commands.h"

namespace vemoctl {

int runSimReset(const GlobalOptions& options) {
  auto reset = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, kVemoSimResetSymbol));
  auto path = reinterpret_cast<const char* (*)()>(dlsym(RTLD_DEFAULT, kVemoSimStatePathSymbol));
  if (reset == nullptr || path == nullptr) {
    throw ToolError(kNoSimulator, "sim-reset: the simulator is not loaded");
  }
  // Every simulated monitor is reset; one named that is not there is a mistake.
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  if (options.monitorGiven && options.monitor.kind == MonitorChoice::Kind::Index &&
      options.monitor.index >= count) {
    throw ToolError(kNoMonitor, "sim-reset: no monitor " + std::to_string(options.monitor.index) +
                                    " (found " + std::to_string(count) + ", numbered from 0); nothing reset");
  }
  if (reset() != 0) {
    throw ToolError(kExchangeFailed, std::string("sim-reset: cannot write ") + path());
  }
  std::cout << "simulator reset to factory state (" << path() << ")\n";
  return kOk;
}

}  // namespace vemoctl
