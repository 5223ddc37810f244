// Identity records, backlight hours and the asset tag.
#include <cstring>

#include "api/getters_setters.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getRecord;

int GetAssetTag(unsigned char* tag) { return getRecord(kAssetTag, tag); }
int GetMonitorName(unsigned char* name) { return getRecord(kMonitorName, name); }
int GetMonitorSerialNumber(unsigned char* serial) { return getRecord(kMonitorSerialNumber, serial); }
int GetVersionFirmware(unsigned char* version) { return getRecord(kVersionFirmware, version); }

int GetBacklightHours(short* hours) {
  vemo::api::CallLine line("Get", "BacklightHours", "()");
  unsigned char reply[8];
  int result = vemo::api::readReply(line, kBacklightHoursCode, reply, sizeof reply);
  const unsigned char* value = &reply[vemo::command::kValueOffset];
  *hours = result == STATUS_OK ? static_cast<short>(value[0] << 8 | value[1]) : 0;
  if (result == STATUS_OK) line.succeededWith("%d", *hours);
  return result;
}

// The first 10 bytes of the caller's buffer go out as they are, also the
// terminator and whatever follows it in a shorter text. Those 10 bytes are
// all the buffer is sure to hold (GetAssetTag's record has no terminator),
// so the log lines show the text up to them and never read further.
int SetAssetTag(const char* text) {
  vemo::api::CallLine line("Set", "AssetTag", "(%.10s)", text);
  line.entry();
  unsigned char payload[kAssetTag.recordLength];
  std::memcpy(payload, text, sizeof payload);
  return line.outcome(HelperWrite(kAssetTag.code, payload, sizeof payload));
}
