// Picture adjustments: one-byte getters and setters.
#include "api/getters_setters.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getByte;
using vemo::api::setByte;

int GetBrightness(unsigned char* value) { return getByte(kBrightness, value); }
int SetBrightness(unsigned char value) { return setByte(kBrightness, value); }
int GetContrast(unsigned char* value) { return getByte(kContrast, value); }
int SetContrast(unsigned char value) { return setByte(kContrast, value); }
int GetDynamicContrast(unsigned char* value) { return getByte(kDynamicContrast, value); }
int SetDynamicContrast(unsigned char value) { return setByte(kDynamicContrast, value); }
int GetAspectRatio(unsigned char* value) { return getByte(kAspectRatio, value); }
int SetAspectRatio(unsigned char value) { return setByte(kAspectRatio, value); }
int GetSharpness(unsigned char* value) { return getByte(kSharpness, value); }
int SetSharpness(unsigned char value) { return setByte(kSharpness, value); }
int GetResponseTime(unsigned char* value) { return getByte(kResponseTime, value); }
int SetResponseTime(unsigned char value) { return setByte(kResponseTime, value); }
int GetSaturation(unsigned char* value) { return getByte(kSaturation, value); }
int SetSaturation(unsigned char value) { return setByte(kSaturation, value); }
int GetHue(unsigned char* value) { return getByte(kHue, value); }
int SetHue(unsigned char value) { return setByte(kHue, value); }
int GetGammaMode(unsigned char* value) { return getByte(kGammaMode, value); }
int SetGammaMode(unsigned char value) { return setByte(kGammaMode, value); }
int GetUniformityCompensation(unsigned char* value) { return getByte(kUniformityCompensation, value); }
int SetUniformityCompensation(unsigned char value) { return setByte(kUniformityCompensation, value); }
int GetLCDConditioning(unsigned char* value) { return getByte(kLCDConditioning, value); }
int SetLCDConditioning(unsigned char value) { return setByte(kLCDConditioning, value); }
