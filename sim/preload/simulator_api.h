// Entry points of the preloadable simulator, for tools that want to manage it.
// Look them up at run time (dlsym): they exist only while the simulator is
// loaded.
#pragma once

extern "C" {
// The state file the simulated monitor's settings persist in.
const char* vemo_sim_state_path(void);
// Puts the simulated monitor back to its factory state and saves it. 0 when
// the state file was written.
int vemo_sim_reset(void);
}

inline constexpr const char* kVemoSimStatePathSymbol = "vemo_sim_state_path";
inline constexpr const char* kVemoSimResetSymbol = "vemo_sim_reset";
