// The simulator's settings from the environment. A malformed value is
// reported on standard error and replaced by the default.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::sim {

// VEMO_SIM_MONITORS: 0 to kMaxMonitors, default 1.
inline constexpr int kMaxMonitors = 8;
int monitorCount();

// A comma-separated list of command codes (VEMO_SIM_REFUSE, VEMO_SIM_IGNORE),
// each a number 0 to 255, decimal or 0x hex; empty when unset. Each malformed
// item is reported and left out.
std::vector<std::uint8_t> commandCodes(const char* variable);

// A comma-separated list of texts (VEMO_SIM_SERIAL_NUMBERS); empty when unset.
std::vector<std::string> textList(const char* variable);

}  // namespace vemo::sim
