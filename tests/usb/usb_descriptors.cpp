#include "tests/usb/usb_descriptors.h"

#include <cstdio>

namespace vemo::usb {
namespace {

enum : std::uint8_t { kManufacturerIndex = 1, kProductIndex = 2, kSerialIndex = 3 };
constexpr std::uint16_t kEnglishUs = 0x0409;

void put16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::string hexText(const Bytes& bytes) {
  std::string out;
  char pair[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}

std::string threeDigits(int n) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", n);
  return digits;
}

}  // namespace

Bytes bridgeFeatureAnswer() { return {0x01, 0xCA}; }

Bytes reportDescriptor() {
  return {
      0x06, 0x00, 0xFF,  // usage page (vendor defined)
      0x09, 0x01,        // usage 1
      0xA1, 0x01,        // collection (application)
      0x15, 0x00,        //   logical minimum 0
      0x26, 0xFF, 0x00,  //   logical maximum 255
      0x75, 0x08,        //   report size 8
      0x95, 0x40,        //   report count 64
      0x09, 0x01,        //   usage 1
      0x81, 0x02,        //   input (data, variable, absolute)
      0x95, 0x40,        //   report count 64
      0x09, 0x01,        //   usage 1
      0x91, 0x02,        //   output (data, variable, absolute)
      0x95, 0x02,        //   report count 2
      0x09, 0x01,        //   usage 1
      0xB1, 0x02,        //   feature (data, variable, absolute)
      0xC0,              // end collection
  };
}

Bytes sysfsDescriptors(const UsbIdentity& id) {
  Bytes out = {18, 0x01};  // device descriptor
  put16(out, 0x0200);      // USB 2.0
  out.insert(out.end(), {0x00, 0x00, 0x00, static_cast<std::uint8_t>(kPacketSize)});
  put16(out, id.vendorId);
  put16(out, id.productId);
  put16(out, 0x0100);
  out.insert(out.end(), {kManufacturerIndex, kProductIndex, kSerialIndex, 1});

  const std::uint16_t total = 9 + 9 + 9 + 7 + 7;
  out.insert(out.end(), {9, 0x02});  // configuration
  put16(out, total);
  out.insert(out.end(), {1, 1, 0, 0x80, 50});
  out.insert(out.end(), {9, 0x04, 0, 0, 2, 0x03, 0, 0, 0});  // interface 0: HID, two endpoints
  out.insert(out.end(), {9, 0x21, 0x11, 0x01, 0, 1, 0x22});  // HID 1.11, one report descriptor
  put16(out, static_cast<std::uint16_t>(reportDescriptor().size()));
  for (std::uint8_t endpoint : {kInterruptIn, kInterruptOut}) {
    out.insert(out.end(), {7, 0x05, endpoint, 0x03});  // interrupt
    put16(out, kPacketSize);
    out.push_back(1);  // polled every frame
  }
  return out;
}

Bytes stringDescriptor(const UsbIdentity& id, std::uint8_t index) {
  const std::string* text = nullptr;
  switch (index) {
    case 0: {
      Bytes languages = {4, 0x03};
      put16(languages, kEnglishUs);
      return languages;
    }
    case kManufacturerIndex:
      text = &id.manufacturer;
      break;
    case kProductIndex:
      text = &id.product;
      break;
    case kSerialIndex:
      text = &id.serial;
      break;
    default:
      return {};
  }
  Bytes out = {static_cast<std::uint8_t>(2 + 2 * text->size()), 0x03};
  for (char c : *text) put16(out, static_cast<std::uint8_t>(c));  // ASCII as UTF-16LE
  return out;
}

std::string sysfsPath(const UsbIdentity& id) {
  return "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(id.busNumber) + "/" +
         std::to_string(id.busNumber) + "-" + std::to_string(id.port);
}

std::string deviceNode(const UsbIdentity& id) {
  return "/dev/bus/usb/" + threeDigits(id.busNumber) + "/" + threeDigits(id.deviceNumber);
}

std::string umockdevRecord(const UsbIdentity& id) {
  std::string node = deviceNode(id);
  std::string devpath = sysfsPath(id).substr(4);  // without "/sys"
  std::string record;
  record += "P: " + devpath + "\n";
  record += "N: " + node.substr(5) + "\n";  // without "/dev/"
  record += "E: DEVNAME=" + node + "\n";
  record += "E: SUBSYSTEM=usb\n";
  record += "E: DEVTYPE=usb_device\n";
  record += "E: BUSNUM=" + threeDigits(id.busNumber) + "\n";
  record += "E: DEVNUM=" + threeDigits(id.deviceNumber) + "\n";
  record += "A: busnum=" + std::to_string(id.busNumber) + "\n";
  record += "A: devnum=" + std::to_string(id.deviceNumber) + "\n";
  record += "A: bConfigurationValue=1\n";
  record += "A: speed=12\n";
  record += "H: descriptors=" + hexText(sysfsDescriptors(id)) + "\n";
  return record;
}

}  // namespace vemo::usb
