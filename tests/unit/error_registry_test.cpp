// The last error code of each bridge, kept by its USB serial string.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::BridgeFault;

class ErrorRegistryTest : public SdkTest {
 protected:
  // Bridges are listed in the order added, so `select(i)` opens the i-th one.
  sim::VirtualHidDevice& add(const std::wstring& serial) {
    auto bridge = std::make_shared<sim::VirtualBridge>();
    bridges_.push_back(bridge);
    return bus().addBridge("/dev/virtual/" + std::to_string(bridges_.size()), serial, bridge);
  }
  static void select(int index) {
    CloseDevice();
    ASSERT_TRUE(OpenDevice(index));
  }
  static void record(int index, unsigned short code) {
    select(index);
    SetLastErrorCode(code);
  }
  static unsigned short codeOf(int index) {
    select(index);
    return GetLastErrorCode();
  }
  static std::wstring serialIn(int slot) { return SerialNumbers[slot]; }

  std::vector<std::shared_ptr<sim::VirtualBridge>> bridges_;
};

TEST_F(ErrorRegistryTest, KeepsTheLastFailureThroughLaterSuccesses) {
  add(L"BRIDGE-0");
  auto scaler = std::make_shared<sim::VirtualScaler>();
  bridges_[0]->attach(0x4A, scaler);
  select(0);
  unsigned char byte = 0x11;
  EXPECT_EQ(GetLastErrorCode(), 0);

  bridges_[0]->injectFault({BridgeFault::Kind::NoReply});
  ASSERT_FALSE(WriteI2C(0x4A, &byte, 1));
  EXPECT_EQ(GetLastErrorCode(), 40002);

  ASSERT_TRUE(WriteI2C(0x4A, &byte, 1));
  ASSERT_TRUE(ReadI2C(0x4A, &byte, 1));
  EXPECT_EQ(GetLastErrorCode(), 40002);

  bridges_[0]->injectFault({BridgeFault::Kind::Status, 3});
  ASSERT_FALSE(ReadI2C(0x4A, &byte, 1));
  EXPECT_EQ(GetLastErrorCode(), 41601);
}

TEST_F(ErrorRegistryTest, EachBridgeKeepsItsOwnCode) {
  add(L"BRIDGE-A");
  add(L"bridge-a");  // serials compare case-sensitively
  record(0, 40001);
  record(1, 41602);

  EXPECT_EQ(codeOf(0), 40001);
  EXPECT_EQ(codeOf(1), 41602);
  EXPECT_EQ(serialIn(0), L"BRIDGE-A");
  EXPECT_EQ(serialIn(1), L"bridge-a");
  EXPECT_EQ(LastErrorCode[2], 0);
}

TEST_F(ErrorRegistryTest, ReopenedBridgeFindsItsCode) {
  add(L"BRIDGE-0");
  record(0, 41603);
  ASSERT_TRUE(CloseDevice());
  EXPECT_EQ(codeOf(0), 41603);
}

TEST_F(ErrorRegistryTest, RecordingZeroEndsTheTableAtThatSlot) {
  add(L"X");
  add(L"Y");
  add(L"Z");
  record(0, 1);
  record(1, 2);
  record(2, 3);

  record(1, 0);
  EXPECT_EQ(codeOf(0), 1);
  EXPECT_EQ(codeOf(1), 0);
  EXPECT_EQ(codeOf(2), 0);  // behind the end marker

  // Z is not found before the marker, so it takes the marker slot; its old
  // entry behind it is in use again but found second.
  record(2, 9);
  EXPECT_EQ(serialIn(1), L"Z");
  EXPECT_EQ(LastErrorCode[1], 9);
  EXPECT_EQ(serialIn(2), L"Z");
  EXPECT_EQ(LastErrorCode[2], 3);
  EXPECT_EQ(codeOf(2), 9);
  EXPECT_EQ(codeOf(1), 0);
  EXPECT_EQ(codeOf(0), 1);
}

TEST_F(ErrorRegistryTest, ZeroForAnUnknownBridgeStaysInvisible) {
  add(L"X");
  add(L"W");
  record(0, 5);
  record(1, 0);
  EXPECT_EQ(serialIn(1), L"W");
  EXPECT_EQ(LastErrorCode[1], 0);
  EXPECT_EQ(codeOf(1), 0);
  EXPECT_EQ(codeOf(0), 5);
}

TEST_F(ErrorRegistryTest, HoldsOneHundredBridgesAndDropsTheNext) {
  sim::VirtualHidDevice& device = add(L"");
  select(0);
  // The key is read from the bridge on every call, so one bridge can stand
  // for many by changing its serial string.
  auto serial = [](int i) { return L"SERIAL-" + std::to_wstring(i); };
  for (int i = 0; i < VEMO_REGISTRY_SLOTS; ++i) {
    device.serial = serial(i);
    SetLastErrorCode(static_cast<unsigned short>(1000 + i));
  }
  device.serial = serial(VEMO_REGISTRY_SLOTS);
  SetLastErrorCode(4242);
  EXPECT_EQ(GetLastErrorCode(), 0);

  for (int i = 0; i < VEMO_REGISTRY_SLOTS; ++i) {
    EXPECT_EQ(serialIn(i), serial(i));
    device.serial = serial(i);
    EXPECT_EQ(GetLastErrorCode(), 1000 + i) << "slot " << i;
  }
}

TEST_F(ErrorRegistryTest, NothingChangesWithoutASelectedBridge) {
  add(L"BRIDGE-0");
  record(0, 5);
  ASSERT_TRUE(CloseDevice());
  std::vector<unsigned short> codes(LastErrorCode, LastErrorCode + VEMO_REGISTRY_SLOTS);

  SetLastErrorCode(40001);
  EXPECT_EQ(GetLastErrorCode(), 0);
  EXPECT_EQ(std::vector<unsigned short>(LastErrorCode, LastErrorCode + VEMO_REGISTRY_SLOTS), codes);
}

TEST_F(ErrorRegistryTest, NothingChangesWhileTheSerialCannotBeRead) {
  sim::VirtualHidDevice& device = add(L"BRIDGE-0");
  record(0, 5);
  device.serialFails = true;

  SetLastErrorCode(40001);
  bridges_[0]->injectFault({BridgeFault::Kind::FailWrite});
  unsigned char byte = 0;
  EXPECT_FALSE(WriteI2C(0x4A, &byte, 1));
  EXPECT_EQ(GetLastErrorCode(), 0);

  device.serialFails = false;
  EXPECT_EQ(GetLastErrorCode(), 5);
  EXPECT_EQ(LastErrorCode[1], 0);
}

}  // namespace
}  // namespace vemo::test
