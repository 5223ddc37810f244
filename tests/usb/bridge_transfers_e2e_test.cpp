// The bridge's report protocol beyond single reports: the firmware version,
// transfers in several chunks, the error registry keyed by the USB serial
// string, and the scaler's ISP switch.
#include <cwchar>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

using BridgeTransfersTest = UsbE2eTest;

TEST_F(BridgeTransfersTest, FirmwareVersionComesFromTheVersionReport) {
  connect();
  bridgeDevice().withModel([&] { model_.bridge->setFirmwareVersion(0x0210); });
  EXPECT_EQ(GetFwVersion(), 0x0210);
  EXPECT_EQ(bridgeTraffic(), (std::vector<std::string>{outLine("01"), inLine("01 02 10")}));
}

// hidapi hands over an input report as long as the packet that carried it;
// the library must treat the bytes the bridge did not send as zeros.
TEST_F(BridgeTransfersTest, ShortInputReportsReadAsZeroFilled) {
  connect();
  bridgeDevice().sendShortInputReports(true);
  EXPECT_EQ(GetFwVersion(), 0x0102);
  EXPECT_EQ(SetBrightness(0), STATUS_OK);
  unsigned char value = 9;
  EXPECT_EQ(GetBrightness(&value), STATUS_OK);
  EXPECT_EQ(value, 0);
  std::vector<std::size_t> lengths;
  for (const InterruptPacket& packet : bridgeDevice().interruptTraffic()) {
    if (!packet.toDevice) lengths.push_back(packet.bytes.size());
  }
  // 01 01 02 | 05 | 06 00 6E 83 02 00 30 8F | 05 | 06 00 6E 84 02 00 30 00 E8
  EXPECT_EQ(lengths, (std::vector<std::size_t>{3, 1, 8, 1, 9}));
}

TEST_F(BridgeTransfersTest, HundredBytesTravelInTwoChunksEachWay) {
  connect();
  Bytes data(100);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  // The scaler takes the first byte as its register pointer.
  data[0] = 0x10;
  ASSERT_TRUE(WriteI2C(0x4A, data.data(), static_cast<unsigned short>(data.size())));

  Bytes first(data.begin(), data.begin() + 59);
  Bytes second(data.begin() + 59, data.end());
  Bytes firstChunk = {0x05, 0x01, 0x4A, 0x00, 0x64};
  firstChunk.insert(firstChunk.end(), first.begin(), first.end());
  Bytes secondChunk = {0x05, 0x02};
  secondChunk.insert(secondChunk.end(), second.begin(), second.end());
  std::vector<std::string> expected = {
      outLine(hex(firstChunk)),
      inLine("05 01"),
      outLine(hex(secondChunk)),
      inLine("05 00"),
  };
  EXPECT_EQ(bridgeTraffic(), expected);
  bridgeDevice().withModel([&] {
    for (std::size_t i = 1; i < data.size(); ++i) {
      EXPECT_EQ(model_.scaler->reg(static_cast<std::uint8_t>(0x10 + i - 1)), data[i]) << i;
    }
    model_.scaler->setPointer(0x10);
  });

  bridgeDevice().clearRecord();
  Bytes readBack(100, 0xEE);
  ASSERT_TRUE(ReadI2C(0x4A, readBack.data(), 100));
  Bytes expectedRead(data.begin() + 1, data.end());
  expectedRead.push_back(0);  // register 0x73 was never written
  EXPECT_EQ(hex(readBack), hex(expectedRead));
  Bytes firstReply = {0x06, 0x01};
  firstReply.insert(firstReply.end(), expectedRead.begin(), expectedRead.begin() + 62);
  Bytes lastReply = {0x06, 0x00};
  lastReply.insert(lastReply.end(), expectedRead.begin() + 62, expectedRead.end());
  expected = {
      outLine("06 01 4A 64"),
      inLine(hex(firstReply)),
      outLine("06 02"),
      inLine(hex(lastReply)),
  };
  EXPECT_EQ(bridgeTraffic(), expected);
}

// The registry's key is read from the device as a USB string descriptor on
// every call, and the code survives closing and reopening the bridge.
TEST_F(BridgeTransfersTest, LastErrorCodeIsKeptUnderTheUsbSerialString) {
  connect();
  EXPECT_EQ(GetLastErrorCode(), 0);
  bridgeDevice().clearRecord();
  bridgeDevice().withModel([&] {
    model_.bridge->injectFault({sim::BridgeFault::Kind::Status, 3});  // write refused
  });
  unsigned char frame[] = {0x51, 0x83, 0xEA, 0x30, 0x32, 0x54};
  EXPECT_FALSE(WriteI2C(0x37, frame, sizeof frame));
  EXPECT_EQ(GetLastErrorCode(), 41602);
  EXPECT_EQ(std::wstring(SerialNumbers[0]), L"E2E-BRIDGE-1");
  EXPECT_EQ(LastErrorCode[0], 41602);

  int serialRequests = 0;
  for (const ControlRequest& c : bridgeDevice().controlRequests()) {
    if (c.requestType == 0x80 && c.request == 0x06 && c.value == 0x0303) ++serialRequests;
  }
  EXPECT_EQ(serialRequests, 2);  // one for the record, one for the lookup

  ASSERT_EQ(DisconnectMonitor(), STATUS_OK);
  EXPECT_EQ(GetLastErrorCode(), 0);  // no bridge selected
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  EXPECT_EQ(GetLastErrorCode(), 41602);
}

TEST_F(BridgeTransfersTest, EnableIspDemoSwitchesTheScalerAndWritesItsDefaults) {
  connect();
  bridgeDevice().withModel([&] { model_.scaler->setIspAfterReads(3); });
  EXPECT_TRUE(EnableISP_Demo());
  bridgeDevice().withModel([&] {
    EXPECT_TRUE(model_.scaler->inIspMode());
    EXPECT_EQ(model_.scaler->reg(0x62), 0x06);
    EXPECT_EQ(model_.scaler->reg(0x63), 0x50);
    EXPECT_EQ(model_.scaler->reg(0x6A), 0x03);
    EXPECT_EQ(model_.scaler->reg(0x6B), 0x0B);
    EXPECT_EQ(model_.scaler->reg(0xED), 0x88);
    EXPECT_EQ(model_.scaler->reg(0xEE), 0x04);
  });
}

}  // namespace
}  // namespace vemo::usb
