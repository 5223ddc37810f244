// The connection to one monitor for the length of a command.
#pragma once

#include <string>

#include "tools/vemoctl/exit_codes.h"

namespace vemoctl {

class Session {
 public:
  // Connects to the monitor at `index`; throws ToolError(kNoMonitor) when
  // there is none.
  explicit Session(int index);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

// The exit code for a library result (0 for STATUS_OK).
ExitCode exitCodeFor(int result);
// Call before an exchange: the bridge's error code afterwards then tells a
// failed transfer from a monitor that refused or stayed silent.
void clearBridgeError();
// A failed library result in words; `request` is what the monitor may have
// refused ("value", "read", "reset").
std::string describeFailure(int result, const std::string& request);
// Throws the ToolError for a failed result, `what` naming the operation.
void requireOk(int result, const std::string& what, const std::string& request);

}  // namespace vemoctl
