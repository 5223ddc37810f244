#include "tools/vemoctl/backends/service_presence.h"

#include <sdbus-c++/sdbus-c++.h>

#include "contract/bus.h"

namespace vemoctl {

ServicePresence servicePresence() {
  ServicePresence presence;
  try {
    auto connection = sdbus::createSessionBusConnection();
    auto bus = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bus->callMethod("NameHasOwner")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string(vemo::bus::kBusName))
        .storeResultsTo(presence.running);
    presence.busReachable = true;
  } catch (const sdbus::Error& e) {
    presence.error = e.getMessage();
  }
  return presence;
}

}  // namespace vemoctl
