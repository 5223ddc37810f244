// Choosing monitors: what `--monitor` says, and the monitor a key names.
#pragma once

#include <string>
#include <vector>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

// "all"; a number is an index; anything else is a key.
MonitorChoice parseMonitorChoice(const std::string& text);

// The position in `monitors` of the one monitor the key names: an Id names
// its monitor outright, otherwise the key must match exactly one monitor's Id,
// USB serial, serial number or asset tag. Throws ToolError(kNoMonitor) when
// none matches, ToolError(kUsage) naming both when two do.
std::size_t monitorNamed(const std::vector<Identity>& monitors, const std::string& key);

// The Id rule, for monitors read directly: the serial number (non-empty
// text), else the USB serial, else the position; a candidate an earlier
// monitor already has is passed over.
void assignIds(std::vector<Identity>& monitors);

}  // namespace vemoctl
