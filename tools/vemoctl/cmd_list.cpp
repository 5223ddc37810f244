// vemoctl list: the bridges found, with firmware version and USB serial.
#include <cstdio>
#include <iostream>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/bridge_diagnosis.h"
#include "tools/vemoctl/bridge_serial.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/output.h"

namespace vemoctl {

int runList(const GlobalOptions& options) {
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  Json bridges = Json::array();
  for (int index = 0; index < count; ++index) {
    Json bridge;
    bridge["index"] = index;
    bridge["firmware-version"] = nullptr;
    bridge["usb-serial"] = nullptr;
    if (ConnectMonitor(static_cast<unsigned char>(index)) == STATUS_OK) {
      if (unsigned short version = GetFwVersion(); version != 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%u.%u", version >> 8, version & 0xFFu);
        bridge["firmware-version"] = text;
      }
      if (auto serial = selectedBridgeSerial()) bridge["usb-serial"] = *serial;
    }
    DisconnectMonitor();
    bridges.push_back(bridge);
  }

  if (options.json) {
    printJson(Json{{"monitors", bridges}});
  } else {
    auto shown = [](const Json& value) {
      return value.is_null() ? std::string("unknown") : value.get<std::string>();
    };
    for (const Json& bridge : bridges) {
      std::cout << "monitor " << bridge["index"].get<int>() << ": firmware "
                << shown(bridge["firmware-version"]) << ", USB serial " << shown(bridge["usb-serial"])
                << '\n';
    }
  }
  if (count == 0) {
    std::string reason = unopenedBridgeReason(0);
    throw ToolError(kNoMonitor, reason.empty() ? "no monitor found" : "no monitor found; " + reason);
  }
  return kOk;
}

}  // namespace vemoctl
