// Colour preset, temperature and space (32-bit single-bit values), input
// colour format, the custom colour, and the colour reset.
#include "api/patterns.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getByte;
using vemo::api::getMask;
using vemo::api::runAction;
using vemo::api::setByte;
using vemo::api::setMask;

int GetColorPreset(uint32_t* value) { return getMask(kColorPreset, value); }
int SetColorPreset(uint32_t value) { return setMask(kColorPreset, value); }
int GetColorPresetCaps(uint32_t* value) { return getMask(kColorPresetCaps, value); }
int GetColorSpaceState(uint32_t* value) { return getMask(kColorSpaceState, value); }
int SetColorSpaceState(uint32_t value) { return setMask(kColorSpaceState, value); }
int GetColorSpaceCaps(uint32_t* value) { return getMask(kColorSpaceCaps, value); }
int GetColorTemp(uint32_t* value) { return getMask(kColorTemp, value); }
int SetColorTemp(uint32_t value) { return setMask(kColorTemp, value); }
int GetColorTempCaps(uint32_t* value) { return getMask(kColorTempCaps, value); }
int GetInputColorFormat(unsigned char* value) { return getByte(kInputColorFormat, value); }
int SetInputColorFormat(unsigned char value) { return setByte(kInputColorFormat, value); }
int ResetColor() { return runAction(kResetColor); }

int GetCustomColor(unsigned char type, unsigned char* red, unsigned char* green, unsigned char* blue,
                   unsigned char* cyan, unsigned char* magenta, unsigned char* yellow) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetCustomColor(%d)", type);
  unsigned char reply[12] = {};
  int result = vemo::api::judgeReply(HelperReadEx(kCustomColorCode, &type, 1, reply, 12), reply);
  unsigned char* outputs[6] = {red, green, blue, cyan, magenta, yellow};
  const unsigned char* values = &reply[vemo::api::kValueOffset];
  for (int i = 0; i < 6; ++i) *outputs[i] = result == STATUS_OK ? values[i] : 0;
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:GetCustomColor(%d)-FAILS => %d", type, result);
    return result;
  }
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetCustomColor()-SUCCESS => %d, %d, %d, %d, %d, %d", values[0], values[1],
      values[2], values[3], values[4], values[5]);
  return STATUS_OK;
}

int SetCustomColor(unsigned char type, unsigned char red, unsigned char green, unsigned char blue,
                   unsigned char cyan, unsigned char magenta, unsigned char yellow) {
#define VEMO_CUSTOM_COLOR_ARGS "ZQ_API:SetCustomColor(%d, %d, %d, %d, %d, %d, %d)"
#define VEMO_CUSTOM_COLOR_VALUES type, red, green, blue, cyan, magenta, yellow
  Log(VEMO_LOG_DEBUG, VEMO_CUSTOM_COLOR_ARGS, VEMO_CUSTOM_COLOR_VALUES);
  if (type > kMaxCustomColorType || red > kMaxColorLevel || green > kMaxColorLevel || blue > kMaxColorLevel) {
    Log(VEMO_LOG_ERROR, VEMO_CUSTOM_COLOR_ARGS "-FAILS, Type or RGB Parameters out of range",
        VEMO_CUSTOM_COLOR_VALUES);
    return STATUS_OUT_OF_RANGE;
  }
  // Only types 2 and 3 use the CMY values; the others send them unchecked.
  bool usesCmy = type == 2 || type == 3;
  if (usesCmy && (cyan > kMaxColorLevel || magenta > kMaxColorLevel || yellow > kMaxColorLevel)) {
    Log(VEMO_LOG_ERROR, VEMO_CUSTOM_COLOR_ARGS "-FAILS, CMY Parameters out of range",
        VEMO_CUSTOM_COLOR_VALUES);
    return STATUS_OUT_OF_RANGE;
  }
  const unsigned char payload[7] = {VEMO_CUSTOM_COLOR_VALUES};
  int result = HelperWrite(kCustomColorCode, payload, sizeof payload);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, VEMO_CUSTOM_COLOR_ARGS "-FAILS => %d", VEMO_CUSTOM_COLOR_VALUES, result);
  } else {
    Log(VEMO_LOG_DEBUG, VEMO_CUSTOM_COLOR_ARGS "-SUCCESS", VEMO_CUSTOM_COLOR_VALUES);
  }
  return result;
#undef VEMO_CUSTOM_COLOR_ARGS
#undef VEMO_CUSTOM_COLOR_VALUES
}
