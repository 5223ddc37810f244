#include "service/src/supervisor/bridge_census.h"

#include <hidapi.h>
#include <libudev.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "service/src/usb_serial.h"

namespace vemod {
namespace {

constexpr unsigned short kVendorId = 0x0451;
constexpr unsigned short kProductId = 0xCA01;

class UdevCensus : public BridgeCensus {
 public:
  UdevCensus() : udev_(udev_new()) {
    if (udev_ == nullptr) throw std::runtime_error("cannot reach udev");
    // Without a running udev daemon, listen to the kernel's own events.
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
      // The periodic census still finds bridges that come and go, only later.
      std::fprintf(stderr, "vemod: cannot watch udev events; looking for bridges every few seconds\n");
      monitor_ = udev_monitor_unref(monitor_);
    }
  }
  ~UdevCensus() override {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }

  int eventFd() const override { return monitor_ ? udev_monitor_get_fd(monitor_) : -1; }

  bool takeEvents() override {
    bool changed = false;
    while (udev_device* device = monitor_ ? udev_monitor_receive_device(monitor_) : nullptr) {
      // Any USB device that comes or goes may be a bridge; the census looks again.
      std::string_view action = udev_device_get_action(device) ? udev_device_get_action(device) : "";
      if (action == "add" || action == "remove" || action == "bind") changed = true;
      udev_device_unref(device);
    }
    return changed;
  }

  int attachedCount() override { return static_cast<int>(attached().size()); }
  std::optional<std::set<std::string>> attachedSerials() override {
    std::multiset<std::string> all = attached();
    return std::set<std::string>(all.begin(), all.end());
  }

 private:
  // hidapi reads each bridge's serial string from the device itself, which
  // works while another process has claimed the bridge.
  static std::multiset<std::string> attached() {
    std::multiset<std::string> serials;
    hid_device_info* devices = hid_enumerate(kVendorId, kProductId);
    for (hid_device_info* device = devices; device != nullptr; device = device->next) {
      serials.insert(narrowSerial(device->serial_number, 255));
    }
    hid_free_enumeration(devices);
    return serials;
  }

  udev* udev_;
  udev_monitor* monitor_ = nullptr;
};

class SimulatedCensus : public BridgeCensus {
 public:
  SimulatedCensus() {
    const char* count = std::getenv("VEMO_SIM_MONITORS");
    if (count != nullptr && *count != '\0') count_ = std::atoi(count);
  }
  int eventFd() const override { return -1; }
  bool takeEvents() override { return false; }
  int attachedCount() override { return count_; }
  std::optional<std::set<std::string>> attachedSerials() override { return std::nullopt; }

 private:
  int count_ = 1;
};

}  // namespace

std::unique_ptr<BridgeCensus> udevCensus() { return std::make_unique<UdevCensus>(); }
std::unique_ptr<BridgeCensus> simulatedCensus() { return std::make_unique<SimulatedCensus>(); }

}  // namespace vemod
