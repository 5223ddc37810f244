// Counting, connecting to and disconnecting from monitors.
#include "api/call_line.h"
#include "command/channel.h"
#include "include/VemoMonitorSdk.h"

using vemo::api::CallLine;

namespace {
constexpr unsigned short kSdkVersion = 0x0101;
constexpr unsigned char kFastBusSpeed = 1;
}  // namespace

int Initialize() { return STATUS_OK; }

int Shutdown() { return STATUS_OK; }

int GetVersionSDK(unsigned short* version) {
  CallLine line("Get", "VersionSDK", "()");
  line.entry();
  *version = kSdkVersion;
  line.succeededWith("0x%04X", kSdkVersion);
  return STATUS_OK;
}

int GetAvailableMonitors(unsigned char* count) {
  CallLine line("Get", "AvailableMonitors", "()");
  line.entry();
  *count = static_cast<unsigned char>(AvailableDevices());
  line.succeededWith("%d", *count);
  return STATUS_OK;
}

int ConnectMonitor(unsigned char index) {
  CallLine line("Connect", "Monitor", "(%d)", index);
  line.entry();
  if (AvailableDevices() <= 0) {
    line.step(VEMO_LOG_ERROR, "AvailableDevices <= 0");
    return STATUS_NOT_CONNECTED;
  }
  CallLine("Open", "Device", "(%d)", index).entry();
  if (!OpenDevice(index)) {
    line.step(VEMO_LOG_ERROR, "OpenDevice FAILS");
    return STATUS_NOT_CONNECTED;
  }
  bConnected = true;
  if (!SetBusSpeed(kFastBusSpeed)) line.step(VEMO_LOG_WARN, "SetBusSpeed(FAST) FAILS. Using default speed.");
  return line.outcome(STATUS_OK);
}

int DisconnectMonitor() {
  CallLine line("Disconnect", "Monitor", "()");
  line.entry();
  if (bConnected) {
    line.step(VEMO_LOG_DEBUG, "CloseDevice");
    CloseDevice();
  }
  bConnected = false;
  return line.outcome(STATUS_OK);
}
