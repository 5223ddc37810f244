// The monitors reached through the library in this process, one at a time.
#pragma once

#include <memory>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

std::unique_ptr<Backend> directBackend();

// The index of the monitor chosen by index or key (the scaler's commands
// reach one monitor, always directly); throws ToolError for `all`.
int directMonitorIndex(const MonitorChoice& choice);

}  // namespace vemoctl
