// Colour preset, temperature and space (32-bit single-bit values), input
// colour format, the custom colour, and the colour reset.
#include "api/getters_setters.h"
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
  vemo::api::CallLine line("Get", "CustomColor", "(%d)", type);
  unsigned char reply[12];
  int result = vemo::api::readReply(line, kCustomColorCode, reply, sizeof reply, &type, 1);
  unsigned char* outputs[6] = {red, green, blue, cyan, magenta, yellow};
  const unsigned char* values = &reply[vemo::command::kValueOffset];
  for (int i = 0; i < 6; ++i) *outputs[i] = result == STATUS_OK ? values[i] : 0;
  if (result != STATUS_OK) return result;
  // The success line names no type, unlike the entry and failure lines.
  vemo::api::CallLine("Get", "CustomColor", "()")
      .succeededWith("%d, %d, %d, %d, %d, %d", values[0], values[1], values[2], values[3], values[4],
                     values[5]);
  return STATUS_OK;
}

int SetCustomColor(unsigned char type, unsigned char red, unsigned char green, unsigned char blue,
                   unsigned char cyan, unsigned char magenta, unsigned char yellow) {
  vemo::api::CallLine line("Set", "CustomColor", "(%d, %d, %d, %d, %d, %d, %d)", type, red, green, blue, cyan,
                           magenta, yellow);
  line.entry();
  auto tooHigh = [](unsigned char level) { return level > kMaxColorLevel; };
  if (type > kMaxCustomColorType || tooHigh(red) || tooHigh(green) || tooHigh(blue)) {
    return line.rejected("Type or RGB Parameters");
  }
  // The monitor reads cyan, magenta and yellow only for types 2 and 3. For
  // types 0 and 1 they are filler it ignores, so they pass through untested:
  // refusing them would refuse a colour the monitor accepts.
  bool usesCmy = type == 2 || type == 3;
  if (usesCmy && (tooHigh(cyan) || tooHigh(magenta) || tooHigh(yellow)))
    return line.rejected("CMY Parameters");
  const unsigned char payload[7] = {type, red, green, blue, cyan, magenta, yellow};
  return line.outcome(HelperWrite(kCustomColorCode, payload, sizeof payload));
}
