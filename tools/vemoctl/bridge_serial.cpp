#include "tools/vemoctl/bridge_serial.h"

#include <cwchar>

#include "include/VemoMonitorSdk.h"

namespace vemoctl {
namespace {

constexpr unsigned short kProbeCode = 0xFFFF;

std::string narrow(const wchar_t* wide) {
  std::string out;
  for (std::size_t i = 0; i < VEMO_SERIAL_CHARS && wide[i] != L'\0'; ++i) {
    wchar_t c = wide[i];
    out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return out;
}

}  // namespace

// Recording a code files the bridge's serial in the registry: record a probe
// code, find the slot holding it, and put the bridge's previous code back
// (0 for a bridge the registry did not know turns the slot back into the end
// of the table, so the registry is as it was).
std::optional<std::string> selectedBridgeSerial() {
  unsigned short previous = GetLastErrorCode();
  SetLastErrorCode(kProbeCode);
  std::optional<std::string> serial;
  for (int slot = 0; slot < VEMO_REGISTRY_SLOTS && LastErrorCode[slot] != 0; ++slot) {
    if (LastErrorCode[slot] == kProbeCode && GetLastErrorCode() == kProbeCode) {
      serial = narrow(SerialNumbers[slot]);
      break;
    }
  }
  SetLastErrorCode(previous);
  return serial;
}

}  // namespace vemoctl
