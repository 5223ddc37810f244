// The USB serial string of the selected bridge, read through hidapi on the
// handle the library exports.
#pragma once

#include <optional>
#include <string>

namespace vemoctl {

// Nothing when no bridge is selected or its serial string cannot be read.
std::optional<std::string> selectedBridgeSerial();

}  // namespace vemoctl
