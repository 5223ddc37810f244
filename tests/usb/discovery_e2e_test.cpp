// Finding the bridge among the machine's HID devices through hidapi's
// enumeration, the feature report on endpoint 0, and the claiming of the
// interface away from the kernel's HID driver.
#include <hidapi.h>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

using DiscoveryTest = UsbE2eTest;

int featureRequests(UsbfsDevice& device) {
  int count = 0;
  for (const ControlRequest& c : device.controlRequests()) {
    // GET_REPORT for feature report 0, two bytes, interface 0
    if (c.requestType == 0xA1 && c.request == 0x01) {
      EXPECT_EQ(c.value, 0x0300);
      EXPECT_EQ(c.index, 0);
      EXPECT_EQ(c.length, 2);
      ++count;
    }
  }
  return count;
}

std::wstring selectedSerial() {
  wchar_t serial[VEMO_SERIAL_CHARS] = {};
  if (SelectedDevice == nullptr ||
      hid_get_serial_number_string(SelectedDevice, serial, VEMO_SERIAL_CHARS) != 0) {
    return L"";
  }
  return serial;
}

// The serial strings of the devices with the bridge's IDs, in hidapi's order.
std::vector<std::wstring> candidatesInOrder() {
  std::vector<std::wstring> serials;
  hid_device_info* devices = hid_enumerate(0x0451, 0xCA01);
  for (hid_device_info* it = devices; it != nullptr; it = it->next) {
    serials.push_back(it->serial_number != nullptr ? it->serial_number : L"");
  }
  hid_free_enumeration(devices);
  return serials;
}

TEST_F(DiscoveryTest, OnlyTheDeviceThatAnswersTheFeatureReportCountsAndIsSelected) {
  ASSERT_EQ(candidatesInOrder(), (std::vector<std::wstring>{L"E2E-IMPOSTOR", L"E2E-BRIDGE-1"}));
  impostorDevice().clearRecord();
  bridgeDevice().clearRecord();
  unsigned char count = 0;
  ASSERT_EQ(GetAvailableMonitors(&count), STATUS_OK);
  EXPECT_EQ(count, 1);
  // Both devices with the bridge's IDs were asked; the keyboard never was,
  // and every candidate went back to the kernel's driver.
  EXPECT_EQ(featureRequests(impostorDevice()), 1);
  EXPECT_EQ(featureRequests(bridgeDevice()), 1);
  EXPECT_EQ(featureRequests(keyboardDevice()), 0);
  EXPECT_EQ(keyboardDevice().claims(), 0);
  EXPECT_TRUE(impostorDevice().driverBound());
  EXPECT_TRUE(bridgeDevice().driverBound());

  // The impostor comes first in the enumeration and must not use up index 0.
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  EXPECT_EQ(selectedSerial(), L"E2E-BRIDGE-1");
  EXPECT_TRUE(bridgeDevice().claimed());
  EXPECT_FALSE(bridgeDevice().driverBound());
  EXPECT_FALSE(impostorDevice().claimed());
  // The connection asks for the fast bus speed, and nothing more.
  EXPECT_EQ(bridgeTraffic(), (std::vector<std::string>{outLine("02 01")}));

  ASSERT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_FALSE(bridgeDevice().claimed());
  EXPECT_TRUE(bridgeDevice().driverBound());

  // There is no second bridge: index 1 selects nothing.
  EXPECT_EQ(ConnectMonitor(1), STATUS_NOT_CONNECTED);
  EXPECT_EQ(SelectedDevice, nullptr);
}

// While connected, the bridge's interface belongs to the library's handle;
// counting opens every candidate again, and that second open must not
// disturb the connection. (The kernel refuses the second claim, so the
// connected bridge is not among those counted then.)
TEST_F(DiscoveryTest, CountingWhileConnectedLeavesTheConnectionWorking) {
  connect();
  hid_device* selected = SelectedDevice;
  int claims = bridgeDevice().claims();
  unsigned char count = 9;
  ASSERT_EQ(GetAvailableMonitors(&count), STATUS_OK);
  EXPECT_EQ(SelectedDevice, selected);
  EXPECT_TRUE(bridgeDevice().claimed());
  EXPECT_EQ(bridgeDevice().claims(), claims);  // still the first handle's claim
  EXPECT_EQ(SetBrightness(20), STATUS_OK);
  unsigned char value = 0;
  EXPECT_EQ(GetBrightness(&value), STATUS_OK);
  EXPECT_EQ(value, 20);
}

}  // namespace
}  // namespace vemo::usb
