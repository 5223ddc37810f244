/*
 * VemoMonitorSdk: read and change a desktop monitor's settings through the
 * USB HID bridge (0451:CA01) built into the monitor.
 *
 * Every setting function returns one of the STATUS_ codes below and hands
 * values back through pointers supplied by the caller; no output pointer is
 * ever checked for null. The library holds a single connection and all its
 * state in process-wide globals without locks: call it from one thread at a
 * time.
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
#define STATUS_OUT_OF_RANGE 2    /* an argument was rejected; nothing was sent */
#define STATUS_NOT_CONNECTED 3   /* no monitor connected, or ConnectMonitor failed */
#define STATUS_COMM_FAILURE (-1) /* bus failure, no acceptable reply, or refused by the monitor */

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

/* Bridge error codes, recorded per bridge when an I2C transfer fails and
   returned by GetLastErrorCode. */
#define VEMO_ERROR_REQUEST_NOT_SENT 40001    /* the request report could not be written */
#define VEMO_ERROR_NO_REPLY 40002            /* no reply report came (error, or none in 2 s) */
#define VEMO_ERROR_READ_FAILED 41601         /* the bridge's I2C read failed (status 3) */
#define VEMO_ERROR_WRITE_FAILED 41602        /* the bridge's I2C write failed (status 3) */
#define VEMO_ERROR_WRITE_PARTLY_FAILED 41603 /* the I2C write stopped part way (status 2) */
#define VEMO_ERROR_READ_PARTLY_FAILED 41606  /* the I2C read stopped part way (status 2) */
/* Any other reply status is recorded as that status AND this mask (0, 16, 32 or 48). */
#define VEMO_ERROR_UNKNOWN_STATUS_MASK 0x30

struct hid_device_; /* hidapi's device handle */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Exported data ---------------------------------------------------- */

/** The open bridge, or null. Set by OpenDevice, released by CloseDevice. */
VEMO_API extern struct hid_device_* SelectedDevice;
/** The feature report a bridge must answer: report number 0, then 0x01, 0xCA.
    Writable; discovery always compares with its current contents. */
VEMO_API extern unsigned char FeatureData[3];
/** Bridge serial strings of the error registry, one per slot. */
VEMO_API extern wchar_t SerialNumbers[VEMO_REGISTRY_SLOTS][VEMO_SERIAL_CHARS];
/** Last error code per registry slot; the first slot holding 0 ends the table. */
VEMO_API extern unsigned short LastErrorCode[VEMO_REGISTRY_SLOTS];

/* ---- Bridge transport ----------------------------------------------------
   Truth results (true/1 success, false/0 failure); nothing here logs. */

/** Counts the bridges: HID devices 0451:CA01 whose feature report 0 equals
    FeatureData. Opens and closes each candidate; SelectedDevice is untouched. */
VEMO_API int AvailableDevices(void);
/** Selects the index-th bridge (0-based, in hidapi's enumeration order) into
    SelectedDevice. Does NOT close a bridge already selected: that handle is
    overwritten as soon as a candidate is tried, so call CloseDevice first.
    On failure SelectedDevice is null when any candidate was tried, otherwise
    unchanged. A negative index selects nothing. */
VEMO_API bool OpenDevice(int index);
/** Closes the selected bridge and sets SelectedDevice to null; false when no
    bridge was selected. */
VEMO_API bool CloseDevice(void);
/** Asks the selected bridge for I2C bus speed `speed` (1 = fast, the only code
    the library sends). True when the request was written; no reply is read. */
VEMO_API bool SetBusSpeed(unsigned char speed);
/** Writes `length` bytes (0 to 1024) to the 7-bit I2C `address` in 64-byte
    report chunks. False without a selected bridge, with a longer length, with
    null data and a length above 0, or when the transfer fails (the cause goes
    to the error registry when the bridge gives one). */
VEMO_API bool WriteI2C(unsigned char address, unsigned char* data, unsigned short length);
/** Reads `length` bytes (0 to 254; 255 is refused) from the 7-bit I2C
    `address` into `data`. False without a selected bridge or when the transfer
    fails (the cause goes to the error registry when the bridge gives one); the
    bytes received before a failure stay in `data`. */
VEMO_API bool ReadI2C(unsigned char address, unsigned char* data, unsigned char length);
/** The code last recorded for the selected bridge (a VEMO_ERROR_ value, or a
    status masked with VEMO_ERROR_UNKNOWN_STATUS_MASK); 0 when none was
    recorded, no bridge is selected or its serial cannot be read. Successful
    transfers do not clear it. */
VEMO_API unsigned short GetLastErrorCode(void);

/* ---- Diagnostics log ----------------------------------------------------
   File "VemoMonitorSdk.log" in the current directory, opened for appending on
   the first line that passes the level; off (level 0) by default. */

/** Formats a message (cut after 199 characters) and writes it as one
    time-stamped line when the current level is not 0 and at least `level`
    (VEMO_LOG_ERROR to VEMO_LOG_TRACE). */
VEMO_API void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
/** Writes `text` as one time-stamped line, whatever the level; opens the file
    if needed. */
VEMO_API void _LOG(const char* text);
/** Opens the log file (writing a separator line) unless it is already open. */
VEMO_API void _LOGStart(void);
/** Closes the log file if it is open; the next line opens it again. */
VEMO_API void _LOGStop(void);
/** Hex dump of `count` bytes ("51 0A " style, upper case, trailing space).
    Returns one static buffer shared by every caller and overwritten by the
    next call: copy or use the text at once. It holds the dump of 33 bytes;
    longer dumps are cut there. A count of 0 or less returns the buffer
    unchanged, a null `bytes` an empty text. */
VEMO_API char* ToHexString(const unsigned char* bytes, int count);
/** Sets the log level, 0 (off) to 4 (VEMO_LOG_TRACE); above 4 gives
    STATUS_OUT_OF_RANGE and keeps the current level. Level 0 silences the log
    but leaves an open file open (see _LOGStop). */
VEMO_API int SetDebugLevel(unsigned char level);

/* ---- Monitor command channel --------------------------------------------
   One exchange with the monitor at I2C address 0x37: the frame is written,
   then the reply is polled up to 10 times, 100 ms apart. */

/** Sends a write frame with command `code` and `length` payload bytes (0 to
    125; `payload` may be null when 0) and waits for the acknowledgement.
    STATUS_OK, STATUS_NOT_CONNECTED (nothing sent), STATUS_COMM_FAILURE (bus
    failure, no acceptable reply, or the monitor refused), or
    STATUS_OUT_OF_RANGE for an invalid payload. */
VEMO_API int HelperWrite(unsigned char code, const unsigned char* payload, int length);
/** Sends a read frame with command `code` and `length` payload bytes (0 to
    125) and reads a reply of `replyLength` bytes (1 to 254) into `reply`.
    STATUS_OK means a well-formed reply is in `reply`; its status byte (byte 3)
    is the caller's to judge. `reply` is not cleared first. Other results as
    HelperWrite. */
VEMO_API int HelperReadEx(unsigned char code, const unsigned char* payload, int length, unsigned char* reply,
                          int replyLength);
/** HelperReadEx without a payload. */
VEMO_API int HelperRead(unsigned char code, unsigned char* reply, int replyLength);
/** Request checksum: 0x6E XOR the first `count` bytes of `frame` (0x6E when
    count is 0 or less, 0 when frame is null). */
VEMO_API unsigned char HelperCheckSum(const unsigned char* frame, int count);
/** Reply check over `length` bytes including the checksum: 0 when the last
    byte equals 0x50 XOR the others, else 0xFFFFFFFF; 0 when reply is null. */
VEMO_API uint32_t HelperCheckSumRx(const unsigned char* reply, int length);
/** Sleeps `milliseconds` (nothing for 0 or less). */
VEMO_API void doDelayMs(int milliseconds);

/* ---- Connection calls --------------------------------------------------- */

/** Does nothing; returns STATUS_OK. Not required before other calls. */
VEMO_API int Initialize(void);
/** Does nothing; returns STATUS_OK. */
VEMO_API int Shutdown(void);
/** Writes the SDK version, 0x0101, to *version; always STATUS_OK. */
VEMO_API int GetVersionSDK(unsigned short* version);
/** Writes to *count the number of bridges found, reduced to one byte (300
    reads 44); always STATUS_OK. Needs no connection. */
VEMO_API int GetAvailableMonitors(unsigned char* count);
/** Opens the index-th bridge (0-based) and asks for the fast bus speed.
    STATUS_NOT_CONNECTED when no bridge is found or the index is beyond them.
    Does not close an earlier connection: call DisconnectMonitor first. */
VEMO_API int ConnectMonitor(unsigned char index);
/** Closes the bridge of the connection, if any; always STATUS_OK. */
VEMO_API int DisconnectMonitor(void);

/* ---- Setting functions ---------------------------------------------------
   Each makes one exchange and returns a STATUS_ code. Setters test their
   argument first: a value outside the accepted ones gives STATUS_OUT_OF_RANGE
   with nothing sent, even when no monitor is connected. Getters write their
   outputs in every outcome, the value on success and 0 otherwise (the
   identity records differ, see there). Output pointers are not checked for
   null. A reply the monitor marks as refused gives STATUS_COMM_FAILURE. */

/* ---- Identity and information ------------------------------------------- */

/** Copies the 10-byte asset tag (no terminator) to tag[0..9]. The 10 bytes are
    written in every outcome: zeros when nothing was read, else what the last
    reply held. */
VEMO_API int GetAssetTag(unsigned char* tag /* 10 bytes */);
/** Sends the first 10 bytes of `text` as the asset tag, always exactly 10:
    the terminator and whatever follows a shorter text go too, so the buffer
    must hold 10 readable bytes. No other test. */
VEMO_API int SetAssetTag(const char* text /* buffer of at least 10 bytes */);
/** Copies the 10-byte model name (no terminator) to name[0..9]; written in
    every outcome as GetAssetTag. */
VEMO_API int GetMonitorName(unsigned char* name /* 10 bytes */);
/** Copies the 12-byte serial number (no terminator) to serial[0..11]; written
    in every outcome as GetAssetTag. */
VEMO_API int GetMonitorSerialNumber(unsigned char* serial /* 12 bytes */);
/** Writes the backlight hours (16-bit, signed as delivered) to *hours; 0 on
    failure. */
VEMO_API int GetBacklightHours(short* hours);
/** Copies the 10-byte firmware version (no terminator) to version[0..9];
    written in every outcome as GetAssetTag. */
VEMO_API int GetVersionFirmware(unsigned char* version /* 10 bytes */);

/* ---- Power and resets --------------------------------------------------- */

/** Reads the power state into *value; 0 on failure. */
VEMO_API int GetPowerState(unsigned char* value);
/** Sets the power state: 1 or 2. */
VEMO_API int SetPowerState(unsigned char value);
/** Reads the power LED setting into *value; 0 on failure. */
VEMO_API int GetPowerLED(unsigned char* value);
/** Sets the power LED: 0 or 1. */
VEMO_API int SetPowerLED(unsigned char value);
/** Reads the USB power setting into *value; 0 on failure. */
VEMO_API int GetPowerUSB(unsigned char* value);
/** Sets USB power: 0 or 1. */
VEMO_API int SetPowerUSB(unsigned char value);
/** Resets the power settings. */
VEMO_API int ResetPower(void);
/** Resets every setting of the monitor to its factory value. */
VEMO_API int FactoryReset(void);

/* ---- Image adjustments -------------------------------------------------- */

/** Reads the brightness into *value; 0 on failure. */
VEMO_API int GetBrightness(unsigned char* value);
/** Sets the brightness: 0 to 100. */
VEMO_API int SetBrightness(unsigned char value);
/** Reads the contrast into *value; 0 on failure. */
VEMO_API int GetContrast(unsigned char* value);
/** Sets the contrast: 0 to 100. */
VEMO_API int SetContrast(unsigned char value);
/** Reads the dynamic contrast setting into *value; 0 on failure. */
VEMO_API int GetDynamicContrast(unsigned char* value);
/** Sets dynamic contrast: 0 or 1. */
VEMO_API int SetDynamicContrast(unsigned char value);
/** Reads the aspect ratio into *value; 0 on failure. */
VEMO_API int GetAspectRatio(unsigned char* value);
/** Sets the aspect ratio: 0 to 3. */
VEMO_API int SetAspectRatio(unsigned char value);
/** Reads the sharpness into *value; 0 on failure. */
VEMO_API int GetSharpness(unsigned char* value);
/** Sets the sharpness: 0 to 100 in steps of 10. */
VEMO_API int SetSharpness(unsigned char value);
/** Reads the response time setting into *value; 0 on failure. */
VEMO_API int GetResponseTime(unsigned char* value);
/** Sets the response time: 0 or 1. */
VEMO_API int SetResponseTime(unsigned char value);
/** Reads the saturation into *value; 0 on failure. */
VEMO_API int GetSaturation(unsigned char* value);
/** Sets the saturation: 0 to 100. */
VEMO_API int SetSaturation(unsigned char value);
/** Reads the hue into *value; 0 on failure. */
VEMO_API int GetHue(unsigned char* value);
/** Sets the hue: 0 to 100. */
VEMO_API int SetHue(unsigned char value);
/** Reads the gamma mode into *value; 0 on failure. */
VEMO_API int GetGammaMode(unsigned char* value);
/** Sets the gamma mode: 0 or 1. */
VEMO_API int SetGammaMode(unsigned char value);
/** Reads the uniformity compensation into *value; 0 on failure. */
VEMO_API int GetUniformityCompensation(unsigned char* value);
/** Sets uniformity compensation: 0 or 2 (1 is refused). */
VEMO_API int SetUniformityCompensation(unsigned char value);
/** Reads the LCD conditioning setting into *value; 0 on failure. */
VEMO_API int GetLCDConditioning(unsigned char* value);
/** Sets LCD conditioning: 0 or 1. */
VEMO_API int SetLCDConditioning(unsigned char value);

/* ---- Color management ----------------------------------------------------
   Preset, temperature and space are 32-bit values with one bit per choice;
   their setters take exactly one of the lowest bits (0 and values with two
   bits set are refused). Getters hand back the monitor's value untested. */

/** Reads the colour preset into *value; 0 on failure. */
VEMO_API int GetColorPreset(uint32_t* value);
/** Sets the colour preset: one bit of 8 (0x01, 0x02, ... 0x80). */
VEMO_API int SetColorPreset(uint32_t value);
/** Reads the presets the monitor offers (any bits) into *value; 0 on failure. */
VEMO_API int GetColorPresetCaps(uint32_t* value);
/** Reads the colour space into *value; 0 on failure. */
VEMO_API int GetColorSpaceState(uint32_t* value);
/** Sets the colour space: one bit of 6 (0x01, 0x02, ... 0x20). */
VEMO_API int SetColorSpaceState(uint32_t value);
/** Reads the colour spaces the monitor offers into *value; 0 on failure. */
VEMO_API int GetColorSpaceCaps(uint32_t* value);
/** Reads the colour temperature into *value; 0 on failure. */
VEMO_API int GetColorTemp(uint32_t* value);
/** Sets the colour temperature: one bit of 6 (0x01, 0x02, ... 0x20). */
VEMO_API int SetColorTemp(uint32_t value);
/** Reads the colour temperatures the monitor offers into *value; 0 on failure. */
VEMO_API int GetColorTempCaps(uint32_t* value);
/** Reads the input colour format into *value; 0 on failure. */
VEMO_API int GetInputColorFormat(unsigned char* value);
/** Sets the input colour format: 0 or 1. */
VEMO_API int SetInputColorFormat(unsigned char value);
/** Asks for the custom colour of `type` (any value, sent untested) and writes
    red, green, blue, cyan, magenta and yellow to the six outputs; all six 0 on
    failure. */
VEMO_API int GetCustomColor(unsigned char type, unsigned char* red, unsigned char* green, unsigned char* blue,
                            unsigned char* cyan, unsigned char* magenta, unsigned char* yellow);
/** Sets the custom colour: type 0 to 3; red, green and blue 0 to 100; cyan,
    magenta and yellow 0 to 100 for types 2 and 3, any byte for types 0 and 1
    (sent as given). */
VEMO_API int SetCustomColor(unsigned char type, unsigned char red, unsigned char green, unsigned char blue,
                            unsigned char cyan, unsigned char magenta, unsigned char yellow);
/** Resets the colour settings. */
VEMO_API int ResetColor(void);

/* ---- Input selection, PxP and MST --------------------------------------- */

/** Reads the video input (one bit per input) into *value; 0 on failure. */
VEMO_API int GetVideoInput(uint32_t* value);
/** Selects the video input: one bit of 10 (0x001, 0x002, ... 0x200). */
VEMO_API int SetVideoInput(uint32_t value);
/** Reads the inputs the monitor offers (any bits) into *value; 0 on failure. */
VEMO_API int GetVideoInputCaps(uint32_t* value);
/** Reads the input auto-select setting into *value; 0 on failure. */
VEMO_API int GetAutoSelect(unsigned char* value);
/** Sets input auto-select: 0 or 1. */
VEMO_API int SetAutoSelect(unsigned char value);
/** Reads the PxP mode into *value; 0 on failure. */
VEMO_API int GetPxPMode(unsigned char* value);
/** Sets the PxP mode: 0 to 4. */
VEMO_API int SetPxPMode(unsigned char value);
/** Reads the PxP sub input (one bit per input) into *value; 0 on failure. */
VEMO_API int GetPxPSubInput(uint32_t* value);
/** Selects the PxP sub input: one bit of 10 (0x001, 0x002, ... 0x200). */
VEMO_API int SetPxPSubInput(uint32_t value);
/** Reads the PxP location into *value; 0 on failure. */
VEMO_API int GetPxPLocation(unsigned char* value);
/** Sets the PxP location: 0 to 3. */
VEMO_API int SetPxPLocation(unsigned char value);
/** Reads the MST setting into *value; 0 on failure. */
VEMO_API int GetMST(unsigned char* value);
/** Sets MST: 0 or 1. */
VEMO_API int SetMST(unsigned char value);

/* ---- On-screen display -------------------------------------------------- */

/** Reads the OSD transparency into *value; 0 on failure. */
VEMO_API int GetOSDTransparency(unsigned char* value);
/** Sets the OSD transparency: 0 to 100 in steps of 20. */
VEMO_API int SetOSDTransparency(unsigned char value);
/** Reads the OSD language into *value; 0 on failure. */
VEMO_API int GetOSDLanguage(unsigned char* value);
/** Sets the OSD language: 0 to 7. */
VEMO_API int SetOSDLanguage(unsigned char value);
/** Reads the OSD rotation into *value; 0 on failure. */
VEMO_API int GetOSDRotation(unsigned char* value);
/** Sets the OSD rotation: 0 to 2. */
VEMO_API int SetOSDRotation(unsigned char value);
/** Reads the OSD timer into *value; 0 on failure. */
VEMO_API int GetOSDTimer(unsigned char* value);
/** Sets the OSD timer: 5 to 60. */
VEMO_API int SetOSDTimer(unsigned char value);
/** Reads the OSD button lock into *value; 0 on failure. */
VEMO_API int GetOSDButtonLock(unsigned char* value);
/** Sets the OSD button lock: 0 or 1. */
VEMO_API int SetOSDButtonLock(unsigned char value);
/** Reads the button sound setting into *value; 0 on failure. */
VEMO_API int GetButtonSound(unsigned char* value);
/** Sets the button sound: 0 or 1. */
VEMO_API int SetButtonSound(unsigned char value);
/** Resets the on-screen display settings. */
VEMO_API int ResetOSD(void);

#ifdef __cplusplus
} /* extern "C" */

/* ---- C++ linkage: bridge helpers and scaler register access ------------ */

/** The selected bridge's firmware version (high byte, low byte); 0 without a
    bridge or on any failure (nothing is recorded in the registry). */
VEMO_API unsigned short GetFwVersion();
/** Records `code` for the selected bridge, keyed by its USB serial string.
    Without a selected bridge, or with a full table, nothing is recorded;
    recording 0 ends the table at that slot. */
VEMO_API void SetLastErrorCode(unsigned short code);
/** Register write: `reg`, then `length` data bytes (0 to 1023), as one I2C
    write to `address`. */
VEMO_API bool WriteI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length);
/** Register read: writes `reg`, then reads `length` bytes (0 to 254) from
    `address` into `data`. */
VEMO_API bool ReadI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length);
/** Reads `reg` until (value & mask) == (expected & mask), for at most `tries`
    reads that succeed; gives up after 10 failed reads in a row. */
VEMO_API bool WaitForBitChange(unsigned char address, unsigned char reg, unsigned char mask,
                               unsigned char value, int tries);
/** Switches the scaler (0x4A) into ISP mode and writes its default registers,
    printing its progress on standard output. */
VEMO_API bool EnableISP_Demo();
#endif

#endif /* VEMO_MONITOR_SDK_H */
