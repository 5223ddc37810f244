#include "tests/usb/usb_testbed.h"

#include <stdexcept>

namespace vemo::usb {

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {
  if (!umockdev_in_mock_environment()) {
    g_object_unref(testbed_);
    throw std::runtime_error("not under umockdev: run with LD_PRELOAD=libumockdev-preload.so.0");
  }
}

UsbTestbed::~UsbTestbed() {
  devices_.clear();
  g_object_unref(testbed_);
}

UsbfsDevice& UsbTestbed::add(UsbIdentity identity, std::shared_ptr<sim::VirtualBridge> bridge) {
  devices_.push_back(std::make_unique<UsbfsDevice>(testbed_, std::move(identity), std::move(bridge)));
  return *devices_.back();
}

}  // namespace vemo::usb
