#include "service/src/supervisor/identity.h"

#include <cctype>
#include <cstdio>

#include "catalogue/models.h"
#include "catalogue/monitor_id.h"
#include "contract/bus.h"

namespace vemod {

Identity identityFrom(const Json& reported, const std::function<bool(const std::string&)>& idTaken) {
  Identity identity;
  identity.usbSerial = reported.value("usb-serial", "");
  identity.model = reported.value("model", "");
  identity.serialNumber = reported.value("serial-number", "");
  identity.assetTag = reported.value("asset-tag", "");
  identity.firmware = reported.value("firmware", "");
  identity.bridgeFirmware = reported.value("bridge-firmware", "");
  identity.choices = vemo::catalogue::choicesForModel(identity.model);
  identity.id = vemo::catalogue::monitorId(identity.serialNumber, identity.usbSerial,
                                           reported.value("position", 0), idTaken);
  return identity;
}

std::string objectPathFor(const std::string& id) {
  std::string path = vemo::bus::kMonitorPathPrefix;
  for (unsigned char c : id) {
    if (std::isalnum(c) && c < 0x80) {
      path += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "_%02x", c);
      path += escaped;
    }
  }
  return path;
}

bool answersTo(const Identity& identity, const std::string& key) {
  if (key.empty()) return false;
  return key == identity.id || key == identity.usbSerial || key == identity.serialNumber ||
         key == identity.assetTag;
}

}  // namespace vemod
