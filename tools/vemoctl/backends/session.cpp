#include "tools/vemoctl/backends/session.h"

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/bridges/diagnosis.h"

namespace vemoctl {

namespace {

// The message, and why an attached bridge was not usable when that is known.
[[noreturn]] void noMonitor(const std::string& message, int usable) {
  std::string reason = unopenedBridgeReason(usable);
  throw ToolError(kNoMonitor, reason.empty() ? message : message + "; " + reason);
}

}  // namespace

Session::Session(int index) {
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  if (count == 0) noMonitor("no monitor found", 0);
  if (index >= count) {
    noMonitor(
        "no monitor " + std::to_string(index) + " (found " + std::to_string(count) + ", numbered from 0)",
        count);
  }
  if (ConnectMonitor(static_cast<unsigned char>(index)) != STATUS_OK) {
    noMonitor("cannot connect to monitor " + std::to_string(index), count - 1);
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

void clearBridgeError() { SetLastErrorCode(0); }

std::string describeFailure(int result, const std::string& request) {
  switch (result) {
    case STATUS_OUT_OF_RANGE:
      return "value out of range";
    case STATUS_NOT_CONNECTED:
      return "no monitor connected";
    case STATUS_COMM_FAILURE:
      // The bridge files a code when a transfer fails; a reply the monitor
      // marked as refused, or none at all, leaves it at 0.
      if (unsigned short code = GetLastErrorCode(); code != 0) {
        return "the transfer through the bridge failed (bridge error code " + std::to_string(code) + ")";
      }
      return "the monitor refused the " + request + " or did not answer";
    default:
      return "unexpected result " + std::to_string(result);
  }
}

void requireOk(int result, const std::string& what, const std::string& request) {
  if (result != STATUS_OK) {
    throw ToolError(exitCodeFor(result), what + ": " + describeFailure(result, request));
  }
}

}  // namespace vemoctl
