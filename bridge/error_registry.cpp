// The last error code of every bridge talked to, keyed by its USB serial
// string. The first slot holding code 0 ends the table.
#include <hidapi.h>

#include <cwchar>

#include "include/VemoMonitorSdk.h"

wchar_t SerialNumbers[VEMO_REGISTRY_SLOTS][VEMO_SERIAL_CHARS] = {};
unsigned short LastErrorCode[VEMO_REGISTRY_SLOTS] = {};

namespace {

using Key = wchar_t[VEMO_SERIAL_CHARS];

bool readSelectedSerial(Key& key) {
  if (SelectedDevice == nullptr) return false;
  key[0] = L'\0';
  if (hid_get_serial_number_string(SelectedDevice, key, VEMO_SERIAL_CHARS) != 0) return false;
  key[VEMO_SERIAL_CHARS - 1] = L'\0';
  return true;
}

// The slot in use that holds `key`, or the end marker's position when none does.
int findSlot(const Key& key, bool& found) {
  int slot = 0;
  for (; slot < VEMO_REGISTRY_SLOTS && LastErrorCode[slot] != 0; ++slot) {
    // The tables are exported and writable; never read past a slot.
    if (std::wcsncmp(SerialNumbers[slot], key, VEMO_SERIAL_CHARS) == 0) {
      found = true;
      return slot;
    }
  }
  found = false;
  return slot;
}

}  // namespace

void SetLastErrorCode(unsigned short code) {
  Key key;
  if (!readSelectedSerial(key)) return;
  bool found = false;
  int slot = findSlot(key, found);
  if (!found) {
    if (slot == VEMO_REGISTRY_SLOTS) return;  // table full: the code is dropped
    std::wcsncpy(SerialNumbers[slot], key, VEMO_SERIAL_CHARS);
    SerialNumbers[slot][VEMO_SERIAL_CHARS - 1] = L'\0';
  }
  LastErrorCode[slot] = code;
}

unsigned short GetLastErrorCode() {
  Key key;
  if (!readSelectedSerial(key)) return 0;
  bool found = false;
  int slot = findSlot(key, found);
  return found ? LastErrorCode[slot] : 0;
}
