// `--monitor all`: the same command run for each monitor, in a process of
// its own with --monitor naming that monitor, and the outputs labelled by Id.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

// The command on one monitor: its exit code, or a ToolError.
using RunOnMonitor = std::function<int(const MonitorChoice&)>;

// Through the service the monitors run all at once, each in a forked copy of
// this process that calls `run`; directly, one after another, each in a new
// vemoctl (a library that has touched USB is not used again after a fork).
// Text lines start with the monitor's Id and a colon; with `json`, one object
// keyed by Id (null for a monitor that printed nothing). `input`, when
// given, is every run's standard input. Returns the highest exit code.
int runOnEachMonitor(Backend& backend, bool json, const std::optional<std::string>& input,
                     const RunOnMonitor& run);

}  // namespace vemoctl
