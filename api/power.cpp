// Power settings and the power and factory resets.
#include "api/getters_setters.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getByte;
using vemo::api::runAction;
using vemo::api::setByte;

int GetPowerState(unsigned char* value) { return getByte(kPowerState, value); }
int SetPowerState(unsigned char value) { return setByte(kPowerState, value); }
int GetPowerLED(unsigned char* value) { return getByte(kPowerLED, value); }
int SetPowerLED(unsigned char value) { return setByte(kPowerLED, value); }
int GetPowerUSB(unsigned char* value) { return getByte(kPowerUSB, value); }
int SetPowerUSB(unsigned char value) { return setByte(kPowerUSB, value); }
int ResetPower() { return runAction(kResetPower); }
int FactoryReset() { return runAction(kFactoryReset); }
