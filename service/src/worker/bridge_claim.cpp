#include "service/src/worker/bridge_claim.h"

#include <hidapi.h>

#include "include/VemoMonitorSdk.h"
#include "service/src/usb_serial.h"

namespace vemod {

std::string selectedUsbSerial() {
  if (SelectedDevice == nullptr) return "";
  wchar_t wide[VEMO_SERIAL_CHARS] = {};
  if (hid_get_serial_number_string(reinterpret_cast<hid_device*>(SelectedDevice), wide, VEMO_SERIAL_CHARS) !=
      0) {
    return "";
  }
  return narrowSerial(wide, VEMO_SERIAL_CHARS);
}

std::optional<Claim> claimBridge(const std::set<std::string>& owned,
                                 const std::optional<std::string>& wanted) {
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  for (int index = 0; index < count; ++index) {
    if (ConnectMonitor(static_cast<unsigned char>(index)) != STATUS_OK) {
      DisconnectMonitor();
      continue;
    }
    std::string serial = selectedUsbSerial();
    bool mine = wanted ? serial == *wanted : owned.count(serial) == 0;
    if (mine) return Claim{serial, index};
    DisconnectMonitor();
  }
  return std::nullopt;
}

}  // namespace vemod
