#include "service/src/supervisor/bridge_census.h"

#include <libudev.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace vemod {
namespace {

constexpr const char* kVendor = "0451";
constexpr const char* kProduct = "ca01";

bool isBridge(udev_device* device) {
  const char* vendor = udev_device_get_property_value(device, "ID_VENDOR_ID");
  const char* product = udev_device_get_property_value(device, "ID_MODEL_ID");
  if (vendor == nullptr || product == nullptr) {
    // Kernel events carry PRODUCT=451/ca01/<bcdDevice>.
    const char* productKey = udev_device_get_property_value(device, "PRODUCT");
    return productKey != nullptr && std::string_view(productKey).rfind("451/ca01/", 0) == 0;
  }
  return std::string_view(vendor) == kVendor && std::string_view(product) == kProduct;
}

class UdevCensus : public BridgeCensus {
 public:
  UdevCensus() : udev_(udev_new()) {
    if (udev_ == nullptr) throw std::runtime_error("cannot reach udev");
    // Without a running udev daemon, listen to the kernel's own events.
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (monitor_ == nullptr) throw std::runtime_error("cannot watch udev events");
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device");
    udev_monitor_enable_receiving(monitor_);
  }
  ~UdevCensus() override {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }

  int eventFd() const override { return udev_monitor_get_fd(monitor_); }

  bool takeEvents() override {
    bool changed = false;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      std::string_view action = udev_device_get_action(device) ? udev_device_get_action(device) : "";
      // A removed device may have lost its identifying properties: look again at what is left.
      if (action == "remove" || ((action == "add" || action == "bind") && isBridge(device))) changed = true;
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
  std::multiset<std::string> attached() {
    std::multiset<std::string> serials;
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    udev_enumerate_add_match_subsystem(enumerate, "usb");
    udev_enumerate_add_match_sysattr(enumerate, "idVendor", kVendor);
    udev_enumerate_add_match_sysattr(enumerate, "idProduct", kProduct);
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
      udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      const char* serial = udev_device_get_sysattr_value(device, "serial");
      serials.insert(serial ? serial : "");
      udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
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
