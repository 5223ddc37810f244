// Which way vemoctl reaches the monitors. The simulator is always reached
// directly: `--simulate` loads it into this process (a service started with
// `vemod --simulate` serves its own simulated monitors to a plain vemoctl).
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/direct_backend.h"
#include "tools/vemoctl/service_backend.h"
#include "tools/vemoctl/service_presence.h"

namespace vemoctl {

std::unique_ptr<Backend> chooseBackend(const GlobalOptions& options) {
  if (options.direct || options.simulate || !servicePresence().running) return directBackend();
  return serviceBackend();
}

}  // namespace vemoctl
