// On-screen display settings and the OSD reset.
#include "api/getters_setters.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getByte;
using vemo::api::runAction;
using vemo::api::setByte;

int GetOSDTransparency(unsigned char* value) { return getByte(kOSDTransparency, value); }
int SetOSDTransparency(unsigned char value) { return setByte(kOSDTransparency, value); }
int GetOSDLanguage(unsigned char* value) { return getByte(kOSDLanguage, value); }
int SetOSDLanguage(unsigned char value) { return setByte(kOSDLanguage, value); }
int GetOSDRotation(unsigned char* value) { return getByte(kOSDRotation, value); }
int SetOSDRotation(unsigned char value) { return setByte(kOSDRotation, value); }
int GetOSDTimer(unsigned char* value) { return getByte(kOSDTimer, value); }
int SetOSDTimer(unsigned char value) { return setByte(kOSDTimer, value); }
int GetOSDButtonLock(unsigned char* value) { return getByte(kOSDButtonLock, value); }
int SetOSDButtonLock(unsigned char value) { return setByte(kOSDButtonLock, value); }
int GetButtonSound(unsigned char* value) { return getByte(kButtonSound, value); }
int SetButtonSound(unsigned char value) { return setByte(kButtonSound, value); }
int ResetOSD() { return runAction(kResetOSD); }
