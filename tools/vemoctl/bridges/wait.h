// Waiting for a bridge that another program holds. The library counts only
// the bridges it can open, so while one is held it is missing from the count,
// the others' numbers shift and its key is not found: direct commands wait,
// up to --wait seconds in all, until no attached bridge is held.
#pragma once

#include <string>

namespace vemoctl {

inline constexpr double kDefaultBridgeWait = 5.0;

// The time the whole command may spend waiting, counted from the first wait.
void setBridgeWait(double seconds);

// Returns "" as soon as no attached bridge is held by another program, else,
// when the time is up, why one is still unusable (as the library's failures
// are explained: "a bridge (0451:CA01) is attached at ... but could not be
// opened: it is in use by another program").
std::string waitForHeldBridges();

}  // namespace vemoctl
