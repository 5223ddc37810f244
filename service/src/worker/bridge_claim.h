// Finding and connecting to a bridge by its USB serial string.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace vemod {

struct Claim {
  std::string usbSerial;
  int position = 0;  // the bridge's index among those counted at claim time
};

// Connects to the first bridge that can be opened whose USB serial is not in
// `owned` (and equals `wanted` when given). Nothing when there is none; the
// library is then disconnected.
std::optional<Claim> claimBridge(const std::set<std::string>& owned,
                                 const std::optional<std::string>& wanted);

// The selected bridge's USB serial string, empty when it cannot be read.
std::string selectedUsbSerial();

}  // namespace vemod
