// Running vemoctl against the simulator: the process re-executes itself with
// the simulator library preloaded in place of hidapi.
#pragma once

#include <string>

namespace vemoctl {

// True when the simulator is loaded into this process.
bool simulatorLoaded();

// The simulator library --simulate loads: $VEMO_SIM_LIBRARY, else the one
// next to the tool. Throws ToolError(kNoSimulator) when there is none.
std::string simulatorLibrary();

// Makes sure the simulator is loaded: returns when it is, otherwise replaces
// the process with itself under LD_PRELOAD. Throws ToolError(kNoSimulator)
// when the library cannot be found or did not load.
void enterSimulator(char** argv);

}  // namespace vemoctl
