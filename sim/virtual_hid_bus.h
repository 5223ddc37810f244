// The machine's HID devices as the hidapi-compatible shim lists them: bridges
// with the report protocol behind them, and any other device a test wants.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/virtual_bridge.h"
#include "sim/virtual_monitor.h"
#include "sim/virtual_scaler.h"

namespace vemo::sim {

inline constexpr std::uint16_t kBridgeVendorId = 0x0451;
inline constexpr std::uint16_t kBridgeProductId = 0xCA01;

struct VirtualHidDevice {
  std::string path;
  std::uint16_t vendorId = kBridgeVendorId;
  std::uint16_t productId = kBridgeProductId;
  std::wstring serial;
  std::wstring manufacturer = L"Vemo";
  std::wstring product = L"Monitor Bridge";
  std::vector<std::uint8_t> featureAnswer = {0x01, 0xCA};  // the bytes after the report number
  bool featureFails = false;
  bool openFails = false;
  bool serialFails = false;
  std::shared_ptr<VirtualBridge> bridge;  // null: a device without the report protocol
  // Exclusive access, as the USB stack grants it: `claim` is asked as a handle
  // opens (false: the device is in use, the open fails) and `release` is told
  // as that handle closes. Unset: any number of handles.
  std::function<bool()> claim;
  std::function<void()> release;

  int opens = 0;                  // successful hid_open_path calls
  int openHandles = 0;            // handles not yet closed
  std::vector<int> readTimeouts;  // the time limit of every read, in milliseconds (-1: none)
  bool recordTimeouts = true;
};

// A bridge with the monitor at 0x37 and the scaler at 0x4A behind it.
struct StandardBridge {
  std::shared_ptr<VirtualBridge> bridge;
  std::shared_ptr<VirtualMonitor> monitor;
  std::shared_ptr<VirtualScaler> scaler;
};
StandardBridge makeStandardBridge();
// The same with a monitor and a scaler of the caller's own (derived) kind.
StandardBridge makeStandardBridge(std::shared_ptr<VirtualMonitor> monitor,
                                  std::shared_ptr<VirtualScaler> scaler);

class VirtualHidBus {
 public:
  static VirtualHidBus& instance();

  VirtualHidDevice& add(VirtualHidDevice device);
  // A recognised bridge at `path` with the given serial string.
  VirtualHidDevice& addBridge(const std::string& path, const std::wstring& serial,
                              std::shared_ptr<VirtualBridge> bridge);
  VirtualHidDevice* find(const std::string& path);
  std::deque<VirtualHidDevice>& devices() { return devices_; }
  void clear() { devices_.clear(); }

  int enumerations = 0;
  int openHandles() const;

 private:
  std::deque<VirtualHidDevice> devices_;  // a deque keeps references stable
};

}  // namespace vemo::sim
