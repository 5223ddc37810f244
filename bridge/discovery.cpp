// Finding the bridges among the machine's HID devices and selecting one.
#include <hidapi.h>

#include <cstring>

#include "bridge/report_io.h"
#include "include/VemoMonitorSdk.h"

hid_device* SelectedDevice = nullptr;
unsigned char FeatureData[3] = {0x00, 0x01, 0xCA};

namespace {

constexpr unsigned short kBridgeVendorId = 0x0451;
constexpr unsigned short kBridgeProductId = 0xCA01;

bool hasBridgeIds(const hid_device_info& info) {
  return info.vendor_id == kBridgeVendorId && info.product_id == kBridgeProductId && info.path != nullptr;
}

// A bridge answers feature report 0 with exactly FeatureData. Bytes the device
// leaves unfilled stay 0, so a short answer never matches.
bool answersAsBridge(hid_device* handle) {
  unsigned char answer[sizeof FeatureData] = {0, 0, 0};
  int got = hid_get_feature_report(handle, answer, sizeof answer);
  return got > 0 && std::memcmp(answer, FeatureData, sizeof answer) == 0;
}

}  // namespace

int AvailableDevices() {
  hid_device_info* devices = hid_enumerate(0, 0);
  int bridges = 0;
  for (hid_device_info* it = devices; it != nullptr; it = it->next) {
    if (!hasBridgeIds(*it)) continue;
    hid_device* candidate = hid_open_path(it->path);
    if (candidate == nullptr) continue;
    if (answersAsBridge(candidate)) ++bridges;
    hid_close(candidate);
  }
  hid_free_enumeration(devices);
  return bridges;
}

bool OpenDevice(int index) {
  hid_device_info* devices = hid_enumerate(0, 0);
  for (hid_device_info* it = devices; it != nullptr; it = it->next) {
    if (!hasBridgeIds(*it)) continue;
    // The candidate is the selection while it is tested; an earlier selection
    // is replaced, not closed.
    SelectedDevice = hid_open_path(it->path);
    if (SelectedDevice == nullptr) continue;
    if (answersAsBridge(SelectedDevice)) {
      if (index == 0) {
        hid_free_enumeration(devices);
        return true;
      }
      if (index > 0) --index;  // a negative index never reaches 0
    }
    hid_close(SelectedDevice);
    SelectedDevice = nullptr;
  }
  hid_free_enumeration(devices);
  return false;
}

bool CloseDevice() {
  if (SelectedDevice == nullptr) return false;
  vemo::bridge::forgetOverdueReply(SelectedDevice);
  hid_close(SelectedDevice);
  SelectedDevice = nullptr;
  return true;
}
