// vemoctl's exit codes, and the error that carries one to main.
#pragma once

#include <stdexcept>
#include <string>

namespace vemoctl {

enum ExitCode : int {
  kOk = 0,
  kExchangeFailed = 1,  // the monitor did not answer or refused, or the output was lost
  kUsage = 2,           // bad command line, unknown setting, malformed value or profile
  kNoMonitor = 3,       // no monitor found, or none at the index asked for
  kOutOfRange = 4,      // the value is outside the setting's accepted values
  kNotConfirmed = 5,    // a factory reset was not confirmed
  kNoSimulator = 6,     // --simulate could not load the simulator
};

inline constexpr const char* kExitCodeHelp =
    "Exit codes:\n"
    "  0  success\n"
    "  1  an exchange with the monitor failed, the monitor refused a write,\n"
    "     or the output could not be written\n"
    "  2  usage error: bad command line, unknown setting, malformed value or profile\n"
    "  3  no monitor found (or none at the --monitor index)\n"
    "  4  value out of range: nothing was sent\n"
    "  5  factory reset not confirmed\n"
    "  6  the simulator could not be loaded (--simulate)\n";

// One line for the user and the exit code that goes with it.
class ToolError : public std::runtime_error {
 public:
  ToolError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

}  // namespace vemoctl
