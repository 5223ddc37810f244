/*
 * VemoMonitorSdk: read and change a desktop monitor's settings through the
 * USB HID bridge (0451:CA01) built into the monitor.
 *
 * Every setting function returns one of the STATUS_ codes below and hands
 * values back through pointers supplied by the caller. The library holds a
 * single connection for the whole process; call it from one thread at a time.
 *
 * Usable from C and C++. The register-level bridge calls and a few bridge
 * helpers have C++ linkage (overloads) and are visible to C++ callers only.
 */
#ifndef VEMO_MONITOR_SDK_H
#define VEMO_MONITOR_SDK_H

#include <stdbool.h>
#include <stdint.h>
#include <wchar.h>

#define VEMO_API __attribute__((visibility("default")))

/* Result codes of every API call and of SetDebugLevel. */
#define STATUS_OK 0
#define STATUS_OUT_OF_RANGE 2
#define STATUS_NOT_CONNECTED 3
#define STATUS_COMM_FAILURE (-1)

/* Log levels for SetDebugLevel and Log. */
#define VEMO_LOG_OFF 0
#define VEMO_LOG_ERROR 1
#define VEMO_LOG_WARN 2
#define VEMO_LOG_DEBUG 3
#define VEMO_LOG_TRACE 4

/* Sizes of the exported bridge tables and of the identity records. */
#define VEMO_REGISTRY_SLOTS 100
#define VEMO_SERIAL_CHARS 255
#define VEMO_RECORD_BYTES 10
#define VEMO_SERIAL_RECORD_BYTES 12

struct hid_device_; /* hidapi's device handle */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Exported data ---------------------------------------------------- */

/* The open bridge, or null. Owned by OpenDevice/CloseDevice. */
VEMO_API extern struct hid_device_* SelectedDevice;
/* The feature report a bridge must answer: report number 0, then 0x01, 0xCA. */
VEMO_API extern unsigned char FeatureData[3];
/* Last bridge error code per bridge, keyed by USB serial string. */
VEMO_API extern wchar_t SerialNumbers[VEMO_REGISTRY_SLOTS][VEMO_SERIAL_CHARS];
VEMO_API extern unsigned short LastErrorCode[VEMO_REGISTRY_SLOTS];

/* ---- Bridge transport (truth results: 1 success, 0 failure) ------------ */

VEMO_API int AvailableDevices(void);
VEMO_API bool OpenDevice(int index);
VEMO_API bool CloseDevice(void);
VEMO_API bool SetBusSpeed(unsigned char speed);
VEMO_API bool WriteI2C(unsigned char address, unsigned char* data, unsigned short length);
VEMO_API bool ReadI2C(unsigned char address, unsigned char* data, unsigned char length);
VEMO_API unsigned short GetLastErrorCode(void);

/* ---- Diagnostics log --------------------------------------------------- */

VEMO_API void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
VEMO_API void _LOG(const char* text);
VEMO_API void _LOGStart(void);
VEMO_API void _LOGStop(void);
VEMO_API char* ToHexString(const unsigned char* bytes, int count);
VEMO_API int SetDebugLevel(unsigned char level);

/* ---- Monitor command channel ------------------------------------------- */

VEMO_API int HelperWrite(unsigned char code, const unsigned char* payload, int length);
VEMO_API int HelperReadEx(unsigned char code, const unsigned char* payload, int length, unsigned char* reply,
                          int replyLength);
VEMO_API int HelperRead(unsigned char code, unsigned char* reply, int replyLength);
VEMO_API unsigned char HelperCheckSum(const unsigned char* frame, int count);
VEMO_API uint32_t HelperCheckSumRx(const unsigned char* reply, int length);
VEMO_API void doDelayMs(int milliseconds);

/* ---- Connection calls -------------------------------------------------- */

VEMO_API int Initialize(void);
VEMO_API int Shutdown(void);
VEMO_API int GetVersionSDK(unsigned short* version);
VEMO_API int GetAvailableMonitors(unsigned char* count);
VEMO_API int ConnectMonitor(unsigned char index);
VEMO_API int DisconnectMonitor(void);

/* ---- Identity and information ------------------------------------------ */

VEMO_API int GetAssetTag(unsigned char* tag /* 10 bytes */);
VEMO_API int SetAssetTag(const char* text /* buffer of at least 10 bytes */);
VEMO_API int GetMonitorName(unsigned char* name /* 10 bytes */);
VEMO_API int GetMonitorSerialNumber(unsigned char* serial /* 12 bytes */);
VEMO_API int GetBacklightHours(short* hours);
VEMO_API int GetVersionFirmware(unsigned char* version /* 10 bytes */);

/* ---- Power and resets -------------------------------------------------- */

VEMO_API int GetPowerState(unsigned char* value);
VEMO_API int SetPowerState(unsigned char value);
VEMO_API int GetPowerLED(unsigned char* value);
VEMO_API int SetPowerLED(unsigned char value);
VEMO_API int GetPowerUSB(unsigned char* value);
VEMO_API int SetPowerUSB(unsigned char value);
VEMO_API int ResetPower(void);
VEMO_API int FactoryReset(void);

/* ---- Image adjustments ------------------------------------------------- */

VEMO_API int GetBrightness(unsigned char* value);
VEMO_API int SetBrightness(unsigned char value);
VEMO_API int GetContrast(unsigned char* value);
VEMO_API int SetContrast(unsigned char value);
VEMO_API int GetDynamicContrast(unsigned char* value);
VEMO_API int SetDynamicContrast(unsigned char value);
VEMO_API int GetAspectRatio(unsigned char* value);
VEMO_API int SetAspectRatio(unsigned char value);
VEMO_API int GetSharpness(unsigned char* value);
VEMO_API int SetSharpness(unsigned char value);
VEMO_API int GetResponseTime(unsigned char* value);
VEMO_API int SetResponseTime(unsigned char value);
VEMO_API int GetSaturation(unsigned char* value);
VEMO_API int SetSaturation(unsigned char value);
VEMO_API int GetHue(unsigned char* value);
VEMO_API int SetHue(unsigned char value);
VEMO_API int GetGammaMode(unsigned char* value);
VEMO_API int SetGammaMode(unsigned char value);
VEMO_API int GetUniformityCompensation(unsigned char* value);
VEMO_API int SetUniformityCompensation(unsigned char value);
VEMO_API int GetLCDConditioning(unsigned char* value);
VEMO_API int SetLCDConditioning(unsigned char value);

/* ---- Color management -------------------------------------------------- */

VEMO_API int GetColorPreset(uint32_t* value);
VEMO_API int SetColorPreset(uint32_t value);
VEMO_API int GetColorPresetCaps(uint32_t* value);
VEMO_API int GetColorSpaceState(uint32_t* value);
VEMO_API int SetColorSpaceState(uint32_t value);
VEMO_API int GetColorSpaceCaps(uint32_t* value);
VEMO_API int GetColorTemp(uint32_t* value);
VEMO_API int SetColorTemp(uint32_t value);
VEMO_API int GetColorTempCaps(uint32_t* value);
VEMO_API int GetInputColorFormat(unsigned char* value);
VEMO_API int SetInputColorFormat(unsigned char value);
VEMO_API int GetCustomColor(unsigned char type, unsigned char* red, unsigned char* green, unsigned char* blue,
                            unsigned char* cyan, unsigned char* magenta, unsigned char* yellow);
VEMO_API int SetCustomColor(unsigned char type, unsigned char red, unsigned char green, unsigned char blue,
                            unsigned char cyan, unsigned char magenta, unsigned char yellow);
VEMO_API int ResetColor(void);

/* ---- Input selection, PxP and MST -------------------------------------- */

VEMO_API int GetVideoInput(uint32_t* value);
VEMO_API int SetVideoInput(uint32_t value);
VEMO_API int GetVideoInputCaps(uint32_t* value);
VEMO_API int GetAutoSelect(unsigned char* value);
VEMO_API int SetAutoSelect(unsigned char value);
VEMO_API int GetPxPMode(unsigned char* value);
VEMO_API int SetPxPMode(unsigned char value);
VEMO_API int GetPxPSubInput(uint32_t* value);
VEMO_API int SetPxPSubInput(uint32_t value);
VEMO_API int GetPxPLocation(unsigned char* value);
VEMO_API int SetPxPLocation(unsigned char value);
VEMO_API int GetMST(unsigned char* value);
VEMO_API int SetMST(unsigned char value);

/* ---- On-screen display ------------------------------------------------- */

VEMO_API int GetOSDTransparency(unsigned char* value);
VEMO_API int SetOSDTransparency(unsigned char value);
VEMO_API int GetOSDLanguage(unsigned char* value);
VEMO_API int SetOSDLanguage(unsigned char value);
VEMO_API int GetOSDRotation(unsigned char* value);
VEMO_API int SetOSDRotation(unsigned char value);
VEMO_API int GetOSDTimer(unsigned char* value);
VEMO_API int SetOSDTimer(unsigned char value);
VEMO_API int GetOSDButtonLock(unsigned char* value);
VEMO_API int SetOSDButtonLock(unsigned char value);
VEMO_API int GetButtonSound(unsigned char* value);
VEMO_API int SetButtonSound(unsigned char value);
VEMO_API int ResetOSD(void);

#ifdef __cplusplus
} /* extern "C" */

/* ---- C++ linkage: bridge helpers and scaler register access ------------ */

/* Bridge firmware version (high byte, low byte), 0 on failure. */
VEMO_API unsigned short GetFwVersion();
/* Record an error code for the selected bridge (keyed by its serial). */
VEMO_API void SetLastErrorCode(unsigned short code);
/* Register write: reg first, then length data bytes (at most 1023). */
VEMO_API bool WriteI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length);
/* Register read: writes reg, then reads length bytes (at most 254). */
VEMO_API bool ReadI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length);
/* Reads reg until (value & mask) == (expected & mask), for at most tries reads. */
VEMO_API bool WaitForBitChange(unsigned char address, unsigned char reg, unsigned char mask,
                               unsigned char value, int tries);
/* Switches the scaler into ISP mode and writes its default registers. */
VEMO_API bool EnableISP_Demo();
#endif

#endif /* VEMO_MONITOR_SDK_H */
