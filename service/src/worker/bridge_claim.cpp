#include "service/src/worker/bridge_claim.h"

#include <hidapi.h>

#include "include/VemoMonitorSdk.h"

namespace vemod {

std::string selectedUsbSerial() {
  if (SelectedDevice == nullptr) return "";
  wchar_t wide[VEMO_SERIAL_CHARS] = {};
  if (hid_get_serial_number_string(reinterpret_cast<hid_device*>(SelectedDevice), wide, VEMO_SERIAL_CHARS) !=
      0) {
    return "";
  }
  std::string serial;
  for (std::size_t i = 0; i < VEMO_SERIAL_CHARS && wide[i] != L'\0'; ++i) {
    wchar_t c = wide[i];
    serial += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return serial;
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
