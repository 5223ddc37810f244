// The USB serial string of the selected bridge, through the library's
// per-bridge error registry (the only place the library exposes it).
#pragma once

#include <optional>
#include <string>

namespace vemoctl {

// Nothing when the bridge's serial string cannot be read.
std::optional<std::string> selectedBridgeSerial();

}  // namespace vemoctl
