// The monitors reached through the session service vemod
// (org.vemo.Monitors1), when it runs.
#pragma once

#include <memory>

#include "tools/vemoctl/monitor_link.h"

namespace vemoctl {

std::unique_ptr<Backend> serviceBackend();

}  // namespace vemoctl
