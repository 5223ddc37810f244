// What an emulated USB HID device tells the host about itself: the device and
// configuration descriptors that sysfs shows, the string descriptors it
// answers on endpoint 0, and the answer to its feature report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::usb {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kInterruptIn = 0x81;
inline constexpr std::uint8_t kInterruptOut = 0x01;
inline constexpr std::size_t kPacketSize = 64;

// The two bytes a bridge answers for feature report 0.
Bytes bridgeFeatureAnswer();

struct UsbIdentity {
  std::uint16_t vendorId = 0x0451;
  std::uint16_t productId = 0xCA01;
  std::string manufacturer = "Vemo";
  std::string product = "Monitor Bridge";
  std::string serial;
  // The bytes of feature report 0 (empty: the request stalls).
  Bytes featureAnswer = bridgeFeatureAnswer();
  int busNumber = 1;
  int deviceNumber = 2;
  int port = 1;  // the device sits at port `port` of the root hub
};

// Device descriptor followed by the one configuration (interface, HID class
// descriptor, interrupt IN and OUT endpoints), as sysfs "descriptors" holds them.
Bytes sysfsDescriptors(const UsbIdentity& id);

// The vendor-defined report descriptor: 64-byte input and output reports and
// a two-byte feature report, none with a report ID.
Bytes reportDescriptor();

// String descriptor `index` (0: the language list); empty when it does not exist.
Bytes stringDescriptor(const UsbIdentity& id, std::uint8_t index);

// The device's udev record in umockdev's text form.
std::string umockdevRecord(const UsbIdentity& id);
std::string sysfsPath(const UsbIdentity& id);
std::string deviceNode(const UsbIdentity& id);  // "/dev/bus/usb/BBB/DDD"

}  // namespace vemo::usb
