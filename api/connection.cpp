// Counting, connecting to and disconnecting from monitors.
#include "api/connection.h"

#include "include/VemoMonitorSdk.h"

bool bConnected = false;

namespace {
constexpr unsigned short kSdkVersion = 0x0101;
constexpr unsigned char kFastBusSpeed = 1;
}  // namespace

int Initialize() { return STATUS_OK; }

int Shutdown() { return STATUS_OK; }

int GetVersionSDK(unsigned short* version) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetVersionSDK()");
  *version = kSdkVersion;
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetVersionSDK()-SUCCESS => 0x%04X", kSdkVersion);
  return STATUS_OK;
}

int GetAvailableMonitors(unsigned char* count) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetAvailableMonitors()");
  *count = static_cast<unsigned char>(AvailableDevices());
  Log(VEMO_LOG_DEBUG, "ZQ_API:GetAvailableMonitors()-SUCCESS => %d", *count);
  return STATUS_OK;
}

int ConnectMonitor(unsigned char index) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:ConnectMonitor(%d)", index);
  if (AvailableDevices() <= 0) {
    Log(VEMO_LOG_ERROR, "ZQ_API:ConnectMonitor(%d)-AvailableDevices <= 0", index);
    return STATUS_NOT_CONNECTED;
  }
  Log(VEMO_LOG_DEBUG, "ZQ_API:OpenDevice(%d)", index);
  if (!OpenDevice(index)) {
    Log(VEMO_LOG_ERROR, "ZQ_API:ConnectMonitor(%d)-OpenDevice FAILS", index);
    return STATUS_NOT_CONNECTED;
  }
  bConnected = true;
  if (!SetBusSpeed(kFastBusSpeed)) {
    Log(VEMO_LOG_WARN, "ZQ_API:ConnectMonitor(%d)-SetBusSpeed(FAST) FAILS. Using default speed.", index);
  }
  Log(VEMO_LOG_DEBUG, "ZQ_API:ConnectMonitor(%d)-SUCCESS", index);
  return STATUS_OK;
}

int DisconnectMonitor() {
  Log(VEMO_LOG_DEBUG, "ZQ_API:DisconnectMonitor()");
  if (bConnected) {
    Log(VEMO_LOG_DEBUG, "ZQ_API:DisconnectMonitor()-CloseDevice");
    CloseDevice();
  }
  bConnected = false;
  Log(VEMO_LOG_DEBUG, "ZQ_API:DisconnectMonitor()-SUCCESS");
  return STATUS_OK;
}
