// Counting, connecting and disconnecting, with their log lines.
#include <hidapi.h>

#include <string>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::BridgeFault;

class ConnectionTest : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    SetDebugLevel(4);
  }
  // Log messages after the separator and the level change.
  std::vector<std::string> callLines() const {
    std::vector<std::string> all = logMessages();
    return {all.begin() + 2, all.end()};
  }
  void addBridges(int n) {
    for (int i = 0; i < n; ++i) {
      bridges_.push_back(
          addBridge("/dev/virtual/bridge" + std::to_string(i), L"BRIDGE-" + std::to_wstring(i)));
    }
  }
  std::vector<sim::StandardBridge> bridges_;
};

TEST_F(ConnectionTest, InitializeAndShutdownDoNothing) {
  addBridges(1);
  EXPECT_EQ(Initialize(), STATUS_OK);
  EXPECT_EQ(Shutdown(), STATUS_OK);
  EXPECT_TRUE(callLines().empty());
  EXPECT_EQ(bus().enumerations, 0);
}

TEST_F(ConnectionTest, SdkVersionNeedsNoConnection) {
  unsigned short version = 0;
  EXPECT_EQ(GetVersionSDK(&version), STATUS_OK);
  EXPECT_EQ(version, 0x0101);
  EXPECT_EQ(callLines(), (std::vector<std::string>{"DEBUG ZQ_API:GetVersionSDK()",
                                                   "DEBUG ZQ_API:GetVersionSDK()-SUCCESS => 0x0101"}));
}

TEST_F(ConnectionTest, AvailableMonitorsReportsTheLowByteOfTheCount) {
  for (int n : {0, 3, 300}) {
    bus().clear();
    addBridges(n);
    unsigned char count = 0xEE;
    EXPECT_EQ(GetAvailableMonitors(&count), STATUS_OK);
    EXPECT_EQ(count, n & 0xFF) << n;
  }
  EXPECT_EQ(callLines().back(), "DEBUG ZQ_API:GetAvailableMonitors()-SUCCESS => 44");
}

TEST_F(ConnectionTest, ConnectSelectsTheBridgeAndAsksForFastBusSpeed) {
  addBridges(3);
  EXPECT_EQ(ConnectMonitor(2), STATUS_OK);
  EXPECT_EQ(bridges_[2].bridge->busSpeed(), 1);
  EXPECT_EQ(bridges_[0].bridge->busSpeed(), 0);
  // Connecting talks to the bridge only, never to the monitor.
  EXPECT_TRUE(bridges_[2].monitor->frames().empty());
  EXPECT_EQ(callLines(),
            (std::vector<std::string>{"DEBUG ZQ_API:ConnectMonitor(2)", "DEBUG ZQ_API:OpenDevice(2)",
                                      "DEBUG ZQ_API:ConnectMonitor(2)-SUCCESS"}));
  unsigned char value = 0;
  EXPECT_EQ(GetBrightness(&value), STATUS_OK);
  EXPECT_EQ(bridges_[2].monitor->hostFrames().size(), 1u);
}

TEST_F(ConnectionTest, ConnectWithoutBridgesFails) {
  EXPECT_EQ(ConnectMonitor(0), STATUS_NOT_CONNECTED);
  EXPECT_EQ(callLines(), (std::vector<std::string>{"DEBUG ZQ_API:ConnectMonitor(0)",
                                                   "ERROR ZQ_API:ConnectMonitor(0)-AvailableDevices <= 0"}));
  unsigned char value = 9;
  EXPECT_EQ(GetBrightness(&value), STATUS_NOT_CONNECTED);
}

TEST_F(ConnectionTest, ConnectBeyondTheBridgesFoundFails) {
  addBridges(3);
  EXPECT_EQ(ConnectMonitor(3), STATUS_NOT_CONNECTED);
  EXPECT_EQ(callLines(),
            (std::vector<std::string>{"DEBUG ZQ_API:ConnectMonitor(3)", "DEBUG ZQ_API:OpenDevice(3)",
                                      "ERROR ZQ_API:ConnectMonitor(3)-OpenDevice FAILS"}));
  EXPECT_EQ(SelectedDevice, nullptr);
}

TEST_F(ConnectionTest, RefusedBusSpeedOnlyWarns) {
  addBridges(1);
  // The speed request is the first report after the bridge is opened.
  bridges_[0].bridge->injectFault({BridgeFault::Kind::FailWrite});
  EXPECT_EQ(ConnectMonitor(0), STATUS_OK);
  EXPECT_EQ(callLines(), (std::vector<std::string>{
                             "DEBUG ZQ_API:ConnectMonitor(0)", "DEBUG ZQ_API:OpenDevice(0)",
                             "WARN  ZQ_API:ConnectMonitor(0)-SetBusSpeed(FAST) FAILS. Using default speed.",
                             "DEBUG ZQ_API:ConnectMonitor(0)-SUCCESS"}));
  EXPECT_EQ(SetBrightness(40), STATUS_OK);
}

TEST_F(ConnectionTest, FailedConnectAfterASuccessfulOneKeepsTheConnection) {
  addBridges(1);
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  hid_device* first = SelectedDevice;
  EXPECT_EQ(ConnectMonitor(5), STATUS_NOT_CONNECTED);
  // The flag stays up, but the failed walk replaced the selection (without
  // closing it: the caller was to disconnect first) and closed its own
  // candidates, so the exchange fails on the bus rather than with "not connected".
  EXPECT_EQ(SetBrightness(40), STATUS_COMM_FAILURE);
  EXPECT_EQ(bus().openHandles(), 1);
  hid_close(first);
}

TEST_F(ConnectionTest, DisconnectClosesTheBridgeOnlyWhenConnected) {
  EXPECT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_EQ(callLines(), (std::vector<std::string>{"DEBUG ZQ_API:DisconnectMonitor()",
                                                   "DEBUG ZQ_API:DisconnectMonitor()-SUCCESS"}));
  addBridges(1);
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  EXPECT_EQ(bus().openHandles(), 1);
  EXPECT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_EQ(bus().openHandles(), 0);
  EXPECT_EQ(SelectedDevice, nullptr);
  std::vector<std::string> lines = callLines();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"DEBUG ZQ_API:DisconnectMonitor()",
                                      "DEBUG ZQ_API:DisconnectMonitor()-CloseDevice",
                                      "DEBUG ZQ_API:DisconnectMonitor()-SUCCESS"}));
  unsigned char value = 7;
  EXPECT_EQ(GetBrightness(&value), STATUS_NOT_CONNECTED);
  EXPECT_EQ(value, 0);
}

TEST_F(ConnectionTest, ReconnectingAfterDisconnectWorks) {
  addBridges(2);
  for (unsigned char index : {0, 1, 0}) {
    ASSERT_EQ(ConnectMonitor(index), STATUS_OK);
    EXPECT_EQ(SetContrast(10 + index), STATUS_OK);
    EXPECT_EQ(DisconnectMonitor(), STATUS_OK);
  }
  EXPECT_EQ(bridges_[0].monitor->value(0x31), std::vector<std::uint8_t>{10});
  EXPECT_EQ(bridges_[1].monitor->value(0x31), std::vector<std::uint8_t>{11});
  EXPECT_EQ(bus().openHandles(), 0);
}

TEST_F(ConnectionTest, WholeSessionLeavesExactlyTheseLines) {
  addBridges(1);
  unsigned char count = 0;
  unsigned char contrast = 0;
  GetAvailableMonitors(&count);
  ConnectMonitor(0);
  GetContrast(&contrast);
  SetContrast(101);
  DisconnectMonitor();
  EXPECT_EQ(callLines(), (std::vector<std::string>{
                             "DEBUG ZQ_API:GetAvailableMonitors()",
                             "DEBUG ZQ_API:GetAvailableMonitors()-SUCCESS => 1",
                             "DEBUG ZQ_API:ConnectMonitor(0)",
                             "DEBUG ZQ_API:OpenDevice(0)",
                             "DEBUG ZQ_API:ConnectMonitor(0)-SUCCESS",
                             "DEBUG ZQ_API:GetContrast()",
                             "TRACE  ---> 51 82 EB 31 67 ",
                             "TRACE  <--- 6E 84 02 00 31 32 BB ",
                             "DEBUG ZQ_API:GetContrast()-SUCCESS => 50",
                             "DEBUG ZQ_API:SetContrast(101)",
                             "ERROR ZQ_API:SetContrast(101)-FAILS, Parameters out of range",
                             "DEBUG ZQ_API:DisconnectMonitor()",
                             "DEBUG ZQ_API:DisconnectMonitor()-CloseDevice",
                             "DEBUG ZQ_API:DisconnectMonitor()-SUCCESS",
                         }));
}

}  // namespace
}  // namespace vemo::test
