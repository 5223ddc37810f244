// Video input selection, PxP and MST.
#include "api/getters_setters.h"
#include "include/VemoMonitorSdk.h"

using namespace vemo::settings;
using vemo::api::getByte;
using vemo::api::getMask;
using vemo::api::setByte;
using vemo::api::setMask;

int GetVideoInput(uint32_t* value) { return getMask(kVideoInput, value); }
int SetVideoInput(uint32_t value) { return setMask(kVideoInput, value); }
int GetVideoInputCaps(uint32_t* value) { return getMask(kVideoInputCaps, value); }
int GetAutoSelect(unsigned char* value) { return getByte(kAutoSelect, value); }
int SetAutoSelect(unsigned char value) { return setByte(kAutoSelect, value); }
int GetPxPMode(unsigned char* value) { return getByte(kPxPMode, value); }
int SetPxPMode(unsigned char value) { return setByte(kPxPMode, value); }
int GetPxPSubInput(uint32_t* value) { return getMask(kPxPSubInput, value); }
int SetPxPSubInput(uint32_t value) { return setMask(kPxPSubInput, value); }
int GetPxPLocation(unsigned char* value) { return getByte(kPxPLocation, value); }
int SetPxPLocation(unsigned char value) { return setByte(kPxPLocation, value); }
int GetMST(unsigned char* value) { return getByte(kMST, value); }
int SetMST(unsigned char value) { return setByte(kMST, value); }
