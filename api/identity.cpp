// Identity records, backlight hours and the asset tag.
#include <cstring>

#include "api/patterns.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getRecord;

int GetAssetTag(unsigned char* tag) { return getRecord(kAssetTag, tag); }
int GetMonitorName(unsigned char* name) { return getRecord(kMonitorName, name); }
int GetMonitorSerialNumber(unsigned char* serial) { return getRecord(kMonitorSerialNumber, serial); }
int GetVersionFirmware(unsigned char* version) { return getRecord(kVersionFirmware, version); }

int GetBacklightHours(short* hours) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetBacklightHours()");
  unsigned char reply[8] = {};
  int result = vemo::api::judgeReply(HelperRead(kBacklightHoursCode, reply, 8), reply);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:GetBacklightHours()-FAILS => %d", result);
    *hours = 0;
    return result;
  }
  const unsigned char* value = &reply[vemo::api::kValueOffset];
  *hours = static_cast<short>(value[0] << 8 | value[1]);
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetBacklightHours()-SUCCESS => %d", *hours);
  return STATUS_OK;
}

// The first 10 bytes of the caller's buffer go out as they are, also the
// terminator and whatever follows it in a shorter text.
int SetAssetTag(const char* text) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:SetAssetTag(%s)", text);
  unsigned char payload[kAssetTag.recordLength];
  std::memcpy(payload, text, sizeof payload);
  int result = HelperWrite(kAssetTag.code, payload, sizeof payload);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:SetAssetTag(%s)-FAILS => %d", text, result);
  } else {
    Log(VEMO_LOG_DEBUG, "ZQ_API:SetAssetTag(%s)-SUCCESS", text);
  }
  return result;
}
