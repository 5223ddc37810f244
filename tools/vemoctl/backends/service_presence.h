// Whether the monitor service vemod runs: its well-known name has an owner on
// the session bus.
#pragma once

#include <string>

namespace vemoctl {

struct ServicePresence {
  bool busReachable = false;
  bool running = false;
  std::string error;  // why the bus could not be asked
};

ServicePresence servicePresence();

}  // namespace vemoctl
