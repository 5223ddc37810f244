#include "tools/vemoctl/bridges/serial.h"

#include <hidapi.h>

#include "include/VemoMonitorSdk.h"

namespace vemoctl {
namespace {

std::string narrow(const wchar_t* wide) {
  std::string out;
  for (std::size_t i = 0; wide[i] != L'\0'; ++i) {
    wchar_t c = wide[i];
    out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return out;
}

}  // namespace

std::optional<std::string> selectedBridgeSerial() {
  if (SelectedDevice == nullptr) return std::nullopt;
  wchar_t serial[VEMO_SERIAL_CHARS] = {};
  if (hid_get_serial_number_string(SelectedDevice, serial, VEMO_SERIAL_CHARS) != 0) return std::nullopt;
  serial[VEMO_SERIAL_CHARS - 1] = L'\0';
  return narrow(serial);
}

}  // namespace vemoctl
