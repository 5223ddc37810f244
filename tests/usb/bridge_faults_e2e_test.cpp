// A bridge that stops answering and a bridge pulled out in the middle of an
// exchange: the library's waits are bounded and it leaves nothing behind.
#include <thread>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

using BridgeFaultsTest = UsbE2eTest;

TEST_F(BridgeFaultsTest, AStuckBridgeEndsTheWaitWithNoReplyAndItsLateAnswerIsDropped) {
  connect();
  bridgeDevice().withModel([&] { model_.bridge->injectFault({sim::BridgeFault::Kind::NoReply}); });
  unsigned char frame[] = {0x51, 0x83, 0xEA, 0x30, 0x32, 0x54};
  auto start = Clock::now();
  EXPECT_FALSE(WriteI2C(0x37, frame, sizeof frame));
  double waited = secondsSince(start);
  EXPECT_GE(waited, 1.9);
  EXPECT_LT(waited, 3.0);
  EXPECT_EQ(GetLastErrorCode(), 40002);

  // The answer turns up after the library gave up; hidapi's reader queues
  // it, and it must not be taken for the reply to the next request (its
  // status 3 would fail the next write).
  bridgeDevice().sendInputReport(report("05 03"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  bridgeDevice().clearRecord();
  unsigned char value = 0;
  EXPECT_EQ(SetBrightness(40), STATUS_OK);
  EXPECT_EQ(GetBrightness(&value), STATUS_OK);
  EXPECT_EQ(value, 40);
  EXPECT_EQ(GetLastErrorCode(), 40002);  // successes record nothing
}

TEST_F(BridgeFaultsTest, UnplugDuringAnExchangeFailsPromptlyAndDisconnectsCleanly) {
  connect();
  // The bridge takes the read request and is pulled out before it answers.
  bridgeDevice().withModel([&] { model_.bridge->injectFault({sim::BridgeFault::Kind::NoReply}, 1); });
  std::thread puller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    bridgeDevice().unplug();
  });
  unsigned char value = 7;
  auto start = Clock::now();
  EXPECT_EQ(GetBrightness(&value), STATUS_COMM_FAILURE);
  double took = secondsSince(start);
  puller.join();
  EXPECT_EQ(value, 0);
  // hidapi's reader sees the device go and the wait ends then, not after 2 s.
  EXPECT_LT(took, 1.5);
  // The serial string cannot be read any more, so nothing is recorded.
  EXPECT_EQ(GetLastErrorCode(), 0);
  EXPECT_EQ(SetBrightness(10), STATUS_COMM_FAILURE);

  auto closing = Clock::now();
  EXPECT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_LT(secondsSince(closing), 1.0);
  EXPECT_EQ(SelectedDevice, nullptr);
  unsigned char count = 9;
  EXPECT_EQ(GetAvailableMonitors(&count), STATUS_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(BridgeFaultsTest, UnplugAsAReportIsWrittenFailsTheWrite) {
  connect();
  bridgeDevice().withModel([&] { model_.bridge->injectFault({sim::BridgeFault::Kind::Unplug}); });
  auto start = Clock::now();
  EXPECT_EQ(SetBrightness(10), STATUS_COMM_FAILURE);
  EXPECT_LT(secondsSince(start), 1.0);
  EXPECT_TRUE(bridgeDevice().unplugged());
  // Only the one report ever reached the wire.
  EXPECT_EQ(bridgeTraffic(), (std::vector<std::string>{outLine("05 01 37 00 06 51 83 EA 30 0A 6C")}));
  EXPECT_EQ(GetFwVersion(), 0);
  EXPECT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_EQ(SelectedDevice, nullptr);
}

}  // namespace
}  // namespace vemo::usb
