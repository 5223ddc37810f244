// Finding bridges among the HID devices, counting them and selecting one.
#include <hidapi.h>

#include <climits>
#include <memory>
#include <string>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

class BridgeDiscoveryTest : public SdkTest {
 protected:
  // A device with the bridge's IDs that answers the feature report like one.
  static sim::VirtualHidDevice& addCandidate(const std::string& path, const std::wstring& serial) {
    return bus().addBridge(path, serial, std::make_shared<sim::VirtualBridge>());
  }

  static std::wstring selectedSerial() {
    if (SelectedDevice == nullptr) return L"<none>";
    wchar_t text[VEMO_SERIAL_CHARS] = {};
    if (hid_get_serial_number_string(SelectedDevice, text, VEMO_SERIAL_CHARS) != 0) return L"<?>";
    return text;
  }
};

// A device that has the bridge's IDs but does not answer as a bridge.
struct UnrecognisedCase {
  const char* name;
  void (*spoil)(sim::VirtualHidDevice&);
  int expectedOpens;  // per walk
};

class UnrecognisedDeviceTest : public BridgeDiscoveryTest,
                               public ::testing::WithParamInterface<UnrecognisedCase> {};

TEST_P(UnrecognisedDeviceTest, IsNotCountedAndUsesUpNoIndex) {
  sim::VirtualHidDevice& odd = addCandidate("/dev/virtual/odd", L"ODD");
  GetParam().spoil(odd);
  sim::VirtualHidDevice& real = addCandidate("/dev/virtual/real", L"REAL");

  EXPECT_EQ(AvailableDevices(), 1);
  EXPECT_EQ(bus().openHandles(), 0);

  ASSERT_TRUE(OpenDevice(0));
  EXPECT_EQ(selectedSerial(), L"REAL");
  EXPECT_EQ(odd.openHandles, 0);
  EXPECT_EQ(odd.opens, 2 * GetParam().expectedOpens);
  EXPECT_EQ(real.openHandles, 1);

  ASSERT_TRUE(CloseDevice());
  EXPECT_FALSE(OpenDevice(1));
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_EQ(bus().openHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnrecognisedDeviceTest,
    ::testing::Values(
        UnrecognisedCase{"WrongSignature",
                         [](sim::VirtualHidDevice& d) {
                           d.featureAnswer = {0x01, 0xCB};
                         },
                         1},
        UnrecognisedCase{"OneByteAnswer", [](sim::VirtualHidDevice& d) { d.featureAnswer = {0x01}; }, 1},
        UnrecognisedCase{"FeatureRequestFails", [](sim::VirtualHidDevice& d) { d.featureFails = true; }, 1},
        UnrecognisedCase{"CannotBeOpened", [](sim::VirtualHidDevice& d) { d.openFails = true; }, 0}),
    [](const ::testing::TestParamInfo<UnrecognisedCase>& info) { return info.param.name; });

struct ForeignIds {
  const char* name;
  std::uint16_t vendorId;
  std::uint16_t productId;
};

class ForeignDeviceTest : public BridgeDiscoveryTest, public ::testing::WithParamInterface<ForeignIds> {};

TEST_P(ForeignDeviceTest, IsNeverOpened) {
  // It would answer the feature report like a bridge if it were asked.
  sim::VirtualHidDevice& other = addCandidate("/dev/virtual/other", L"OTHER");
  other.vendorId = GetParam().vendorId;
  other.productId = GetParam().productId;

  EXPECT_EQ(AvailableDevices(), 0);
  EXPECT_FALSE(OpenDevice(0));
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_EQ(other.opens, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ForeignDeviceTest,
                         ::testing::Values(ForeignIds{"OtherProduct", 0x0451, 0xCA02},
                                           ForeignIds{"OtherVendor", 0x0452, 0xCA01},
                                           ForeignIds{"IdsSwapped", 0xCA01, 0x0451},
                                           ForeignIds{"Unrelated", 0x046D, 0xC52B}),
                         [](const ::testing::TestParamInfo<ForeignIds>& info) { return info.param.name; });

TEST_F(BridgeDiscoveryTest, WithoutAnyCandidateOpenDeviceKeepsTheSelection) {
  sim::VirtualHidDevice& bridge = addCandidate("/dev/virtual/bridge0", L"BRIDGE-0");
  ASSERT_TRUE(OpenDevice(0));
  hid_device* selected = SelectedDevice;
  bridge.productId = 0xCA02;  // no longer listed as a candidate

  EXPECT_FALSE(OpenDevice(0));
  EXPECT_EQ(SelectedDevice, selected);
}

TEST_F(BridgeDiscoveryTest, IndexCountsBridgesInEnumerationOrder) {
  addCandidate("/dev/virtual/first", L"FIRST");
  addCandidate("/dev/virtual/second", L"SECOND");
  ASSERT_EQ(AvailableDevices(), 2);

  ASSERT_TRUE(OpenDevice(0));
  EXPECT_EQ(selectedSerial(), L"FIRST");
  ASSERT_TRUE(CloseDevice());

  ASSERT_TRUE(OpenDevice(1));
  EXPECT_EQ(selectedSerial(), L"SECOND");
  EXPECT_EQ(bus().openHandles(), 1);
  ASSERT_TRUE(CloseDevice());

  EXPECT_FALSE(OpenDevice(2));
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_EQ(bus().openHandles(), 0);
}

class NegativeIndexTest : public BridgeDiscoveryTest, public ::testing::WithParamInterface<int> {};

TEST_P(NegativeIndexTest, SelectsNothing) {
  sim::VirtualHidDevice& first = addCandidate("/dev/virtual/first", L"FIRST");
  sim::VirtualHidDevice& second = addCandidate("/dev/virtual/second", L"SECOND");

  EXPECT_FALSE(OpenDevice(GetParam()));
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_EQ(first.opens, 1);
  EXPECT_EQ(second.opens, 1);
  EXPECT_EQ(bus().openHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, NegativeIndexTest, ::testing::Values(-1, -2, INT_MIN));

TEST_F(BridgeDiscoveryTest, CloseDeviceReportsWhetherABridgeWasSelected) {
  addCandidate("/dev/virtual/bridge0", L"BRIDGE-0");
  EXPECT_FALSE(CloseDevice());

  ASSERT_TRUE(OpenDevice(0));
  EXPECT_TRUE(CloseDevice());
  EXPECT_EQ(SelectedDevice, nullptr);
  EXPECT_EQ(bus().openHandles(), 0);
  EXPECT_FALSE(CloseDevice());
}

TEST_F(BridgeDiscoveryTest, CountingLeavesTheSelectedBridgeAlone) {
  addCandidate("/dev/virtual/first", L"FIRST");
  addCandidate("/dev/virtual/second", L"SECOND");
  ASSERT_TRUE(OpenDevice(1));
  hid_device* selected = SelectedDevice;

  EXPECT_EQ(AvailableDevices(), 2);
  EXPECT_EQ(SelectedDevice, selected);
  EXPECT_EQ(selectedSerial(), L"SECOND");
  EXPECT_EQ(bus().openHandles(), 1);  // only the selection stays open
}

TEST_F(BridgeDiscoveryTest, RecognitionComparesWithTheCurrentFeatureData) {
  addCandidate("/dev/virtual/standard", L"STANDARD");
  addCandidate("/dev/virtual/variant", L"VARIANT").featureAnswer = {0x01, 0xCB};
  FeatureData[2] = 0xCB;

  EXPECT_EQ(AvailableDevices(), 1);
  ASSERT_TRUE(OpenDevice(0));
  EXPECT_EQ(selectedSerial(), L"VARIANT");
}

}  // namespace
}  // namespace vemo::test
