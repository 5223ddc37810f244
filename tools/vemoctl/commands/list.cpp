// vemoctl list: the bridges found, with firmware version and USB serial, and
// with --identity (always through the service) who each monitor is.
#include <iostream>

#include "tools/vemoctl/bridges/diagnosis.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

namespace vemoctl {
namespace {

Json textOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

std::string shown(const std::string& text) { return text.empty() ? "unknown" : text; }

}  // namespace

int runList(const GlobalOptions& options, bool identity) {
  std::unique_ptr<Backend> backend = chooseBackend(options);
  const bool full = identity || backend->throughService();
  std::vector<Identity> monitors = backend->monitors(full);

  if (options.json) {
    Json bridges = Json::array();
    for (const Identity& m : monitors) {
      Json bridge{{"index", m.index},
                  {"firmware-version", textOrNull(m.bridgeFirmware)},
                  {"usb-serial", textOrNull(m.usbSerial)}};
      if (full) {
        bridge["id"] = m.id;
        bridge["model"] = textOrNull(m.model);
        bridge["serial-number"] = textOrNull(m.serialNumber);
        bridge["asset-tag"] = textOrNull(m.assetTag);
      }
      bridges.push_back(bridge);
    }
    printJson(Json{{"monitors", bridges}});
  } else {
    for (const Identity& m : monitors) {
      std::cout << "monitor " << m.index << ": firmware " << shown(m.bridgeFirmware) << ", USB serial "
                << shown(m.usbSerial);
      if (full) {
        std::cout << ", Id " << m.id << ", model " << shown(m.model) << ", serial number "
                  << shown(m.serialNumber) << ", asset tag " << shown(m.assetTag);
      }
      std::cout << '\n';
    }
  }
  if (monitors.empty()) {
    std::string reason =
        backend->throughService() ? "the service vemod serves none" : unopenedBridgeReason(0);
    throw ToolError(kNoMonitor, reason.empty() ? "no monitor found" : "no monitor found; " + reason);
  }
  return kOk;
}

}  // namespace vemoctl
