// Which way vemoctl reaches the monitors. The simulator is always reached
// directly: `--simulate` loads it into this process (a service started with
// `vemod --simulate` serves its own simulated monitors to a plain vemoctl).
#include "tools/vemoctl/backends/direct_backend.h"
#include "tools/vemoctl/backends/service_backend.h"
#include "tools/vemoctl/backends/service_presence.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

namespace vemoctl {

std::unique_ptr<Backend> chooseBackend(const GlobalOptions& options) {
  if (options.direct || options.simulate || !servicePresence().running) return directBackend();
  // The library in this process logs nothing then: say where the log is, once.
  static bool told = false;
  if (!options.logLevel.empty() && !told) {
    told = true;
    printError(
        "--log-level: the service vemod does the exchanges with the monitors, so this process logs "
        "none; see its log (journalctl --user -u vemod), or use --direct to have them logged here");
  }
  return serviceBackend();
}

}  // namespace vemoctl
