#include "tools/vemoctl/session.h"

#include "include/VemoMonitorSdk.h"

namespace vemoctl {

Session::Session(int index) {
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  if (count == 0) throw ToolError(kNoMonitor, "no monitor found");
  if (index >= count) {
    throw ToolError(kNoMonitor, "no monitor " + std::to_string(index) + " (found " + std::to_string(count) +
                                    ", numbered from 0)");
  }
  if (ConnectMonitor(static_cast<unsigned char>(index)) != STATUS_OK) {
    throw ToolError(kNoMonitor, "cannot connect to monitor " + std::to_string(index));
  }
}

Session::~Session() { DisconnectMonitor(); }

ExitCode exitCodeFor(int result) {
  switch (result) {
    case STATUS_OK:
      return kOk;
    case STATUS_OUT_OF_RANGE:
      return kOutOfRange;
    case STATUS_NOT_CONNECTED:
      return kNoMonitor;
    default:
      return kExchangeFailed;
  }
}

std::string describeFailure(int result) {
  switch (result) {
    case STATUS_OUT_OF_RANGE:
      return "value out of range";
    case STATUS_NOT_CONNECTED:
      return "no monitor connected";
    case STATUS_COMM_FAILURE:
      return "the exchange with the monitor failed";
    default:
      return "unexpected result " + std::to_string(result);
  }
}

void requireOk(int result, const std::string& what) {
  if (result != STATUS_OK) throw ToolError(exitCodeFor(result), what + ": " + describeFailure(result));
}

}  // namespace vemoctl
