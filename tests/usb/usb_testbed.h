// A umockdev testbed in the test process: the machine's USB devices as
// libusb finds them in sysfs and under /dev/bus/usb. It must exist before
// the first hidapi call, since libusb scans the devices when it starts.
#pragma once

#include <umockdev.h>

#include <deque>
#include <memory>

#include "tests/usb/usbfs_device.h"

namespace vemo::usb {

class UsbTestbed {
 public:
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  UsbfsDevice& add(UsbIdentity identity, std::shared_ptr<sim::VirtualBridge> bridge);

 private:
  UMockdevTestbed* testbed_;
  std::deque<std::unique_ptr<UsbfsDevice>> devices_;
};

}  // namespace vemo::usb
