// The monitors reached through the session service vemod
// (org.vemo.Monitors1), when it runs.
#pragma once

#include <sdbus-c++/Error.h>

#include <memory>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

std::unique_ptr<Backend> serviceBackend();

// An error of the service as vemoctl's exit code and message.
Outcome serviceOutcome(const sdbus::Error& error);

}  // namespace vemoctl
