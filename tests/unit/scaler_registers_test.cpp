// Register access to the scaler at I2C address 0x4A and the ISP enable
// sequence.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::BridgeFault;
using sim::Report;
using sim::VirtualScaler;
using Bytes = std::vector<std::uint8_t>;
using RegisterWrites = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

constexpr std::uint8_t kScaler = 0x4A;
constexpr std::uint8_t kIspRegister = 0x6F;

const RegisterWrites kDefaults = {{0x62, 0x06}, {0x63, 0x50}, {0x6A, 0x03}, {0x6B, 0x0B},
                                  {0x6C, 0x00}, {0xED, 0x88}, {0xEE, 0x04}};

std::string hexOf(const Report& report, std::size_t count = 64) {
  return hex(Bytes(report.begin(), report.begin() + count));
}

class ScalerRegistersTest : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    dev_ = addBridge();
    ASSERT_TRUE(OpenDevice(0));
  }

  VirtualScaler& scaler() { return *dev_.scaler; }
  sim::VirtualBridge& bridge() { return *dev_.bridge; }
  void fault(BridgeFault::Kind kind, int afterRequests, std::uint8_t value = 0) {
    bridge().injectFault(BridgeFault{kind, value, {}}, afterRequests);
  }
  std::size_t readRequests() const {
    std::size_t n = 0;
    for (const Report& r : dev_.bridge->requests()) n += r[0] == 0x06;
    return n;
  }
  // The ISP request has been made, so register 0x6F reports bit 7 as the
  // scaler's state from now on.
  void requestIsp(int readsUntilOn) {
    scaler().setIspAfterReads(readsUntilOn);
    unsigned char value = 0x80;
    ASSERT_TRUE(WriteI2C(kScaler, kIspRegister, &value, 1));
    bridge().clearRecord();
  }

  // Runs EnableISP_Demo and returns what it printed.
  std::string enableIsp(bool& result) {
    testing::internal::CaptureStdout();
    result = EnableISP_Demo();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }
};

// ---- Register write and read -------------------------------------------------

TEST_F(ScalerRegistersTest, RegisterWriteSendsTheRegisterBeforeTheData) {
  unsigned char value = 0x5C;
  ASSERT_TRUE(WriteI2C(kScaler, 0x63, &value, 1));
  ASSERT_EQ(bridge().requests().size(), 1u);
  EXPECT_EQ(hexOf(bridge().requests()[0], 8), "05 01 4A 00 02 63 5C 00");
  EXPECT_EQ(scaler().reg(0x63), 0x5C);
}

TEST_F(ScalerRegistersTest, RegisterReadWritesTheRegisterThenReads) {
  scaler().setReg(0x62, 0x3D);
  unsigned char value = 0;
  ASSERT_TRUE(ReadI2C(kScaler, 0x62, &value, 1));
  EXPECT_EQ(value, 0x3D);
  std::vector<Report> sent = bridge().requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(hexOf(sent[0], 7), "05 01 4A 00 01 62 00");
  EXPECT_EQ(hexOf(sent[1], 5), "06 01 4A 01 00");
}

TEST_F(ScalerRegistersTest, RegisterReadStopsWhenTheRegisterWriteFails) {
  fault(BridgeFault::Kind::Status, 0, 3);
  unsigned char value = 0xAB;
  EXPECT_FALSE(ReadI2C(kScaler, 0x62, &value, 1));
  EXPECT_EQ(readRequests(), 0u);
  EXPECT_EQ(value, 0xAB);
}

TEST_F(ScalerRegistersTest, RegisterByteCountsTowardTheWriteLimit) {
  Bytes data(1024, 0x33);
  EXPECT_FALSE(WriteI2C(kScaler, 0x10, data.data(), 1024));
  EXPECT_TRUE(bridge().requests().empty());

  ASSERT_TRUE(WriteI2C(kScaler, 0x10, data.data(), 1023));
  std::vector<Report> sent = bridge().requests();
  EXPECT_EQ(sent.size(), 17u);
  EXPECT_EQ(hexOf(sent[0], 7), "05 01 4A 04 00 10 33");
}

class LongRegisterReadTest : public ScalerRegistersTest,
                             public ::testing::WithParamInterface<unsigned short> {};

TEST_P(LongRegisterReadTest, IsRefusedWithNothingSent) {
  Bytes buffer(GetParam(), 0x5A);
  EXPECT_FALSE(ReadI2C(kScaler, 0x00, buffer.data(), GetParam()));
  EXPECT_TRUE(bridge().requests().empty());
  EXPECT_EQ(buffer, Bytes(GetParam(), 0x5A));
}

// 256 would otherwise pass on as a read of 0 bytes and report success.
INSTANTIATE_TEST_SUITE_P(Lengths, LongRegisterReadTest, ::testing::Values(255, 256, 511, 65535));

TEST_F(ScalerRegistersTest, LongestRegisterReadTakesFiveReports) {
  // Bit 7 of 0x6F shows the ISP state, so the pattern keeps it clear there.
  for (int r = 0; r < 256; ++r) scaler().setReg(r, static_cast<std::uint8_t>(r ^ 0x25));
  Bytes buffer(254);
  ASSERT_TRUE(ReadI2C(kScaler, 0x01, buffer.data(), 254));
  for (int i = 0; i < 254; ++i) ASSERT_EQ(buffer[i], (i + 1) ^ 0x25) << "byte " << i;
  EXPECT_EQ(readRequests(), 5u);
}

// ---- WaitForBitChange --------------------------------------------------------

class NoTriesTest : public ScalerRegistersTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoTriesTest, ReturnsWithoutReading) {
  EXPECT_FALSE(WaitForBitChange(kScaler, 0x10, 0x00, 0x00, GetParam()));
  EXPECT_TRUE(bridge().requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Tries, NoTriesTest, ::testing::Values(0, -1, -50));

struct MatchCase {
  std::uint8_t registerValue;
  std::uint8_t mask;
  std::uint8_t value;
  bool matches;
};

class BitMatchTest : public ScalerRegistersTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(BitMatchTest, ComparesOnlyTheMaskedBits) {
  const MatchCase& c = GetParam();
  scaler().setReg(0x10, c.registerValue);
  EXPECT_EQ(WaitForBitChange(kScaler, 0x10, c.mask, c.value, 4), c.matches);
  EXPECT_EQ(readRequests(), c.matches ? 1u : 4u);  // without a match, exactly `tries` reads
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BitMatchTest,
    ::testing::Values(MatchCase{0x95, 0x80, 0x80, true}, MatchCase{0x15, 0x80, 0x80, false},
                      MatchCase{0x3C, 0x0F, 0xFC, true}, MatchCase{0x3C, 0x0F, 0x0D, false},
                      MatchCase{0x00, 0x00, 0xFF, true}, MatchCase{0xA5, 0xFF, 0xA5, true}));

TEST_F(ScalerRegistersTest, WaitEndsOnTheReadThatShowsTheBits) {
  requestIsp(2);
  EXPECT_TRUE(WaitForBitChange(kScaler, kIspRegister, 0x80, 0x80, 5));
  EXPECT_EQ(readRequests(), 3u);
}

TEST_F(ScalerRegistersTest, FailedReadsDoNotUseUpTries) {
  // Each failed register read ends at its register-number write (one
  // report); each good one takes two. Nine failures, a good read, nine more
  // failures and a second good read: the run of failures never reaches ten.
  for (int i = 0; i < 9; ++i) fault(BridgeFault::Kind::Status, i, 3);
  for (int i = 11; i < 20; ++i) fault(BridgeFault::Kind::Status, i, 3);
  scaler().setReg(0x10, 0x00);

  EXPECT_FALSE(WaitForBitChange(kScaler, 0x10, 0x01, 0x01, 2));
  EXPECT_EQ(bridge().requests().size(), 22u);
  EXPECT_EQ(readRequests(), 2u);
}

TEST_F(ScalerRegistersTest, TenFailedReadsInARowEndTheWait) {
  scaler().nakEverything(true);
  EXPECT_FALSE(WaitForBitChange(kScaler, 0x10, 0x01, 0x01, 50));
  EXPECT_EQ(bridge().requests().size(), 10u);
  EXPECT_EQ(readRequests(), 0u);
}

TEST_F(ScalerRegistersTest, UnpluggedBridgeEndsTheWait) {
  bridge().unplug();
  EXPECT_FALSE(WaitForBitChange(kScaler, kIspRegister, 0x80, 0x80, 50));
}

// ---- EnableISP_Demo ----------------------------------------------------------

TEST_F(ScalerRegistersTest, EnableIspSetsTheBitAndWritesTheDefaults) {
  scaler().setIspAfterReads(2);
  bool result = false;
  EXPECT_EQ(enableIsp(result),
            "Enable ISP succeeded. Setting default values...\n"
            "Scaler Address 0x62 = 0x6.\n");
  EXPECT_TRUE(result);

  RegisterWrites expected = {{kIspRegister, 0x80}};
  expected.insert(expected.end(), kDefaults.begin(), kDefaults.end());
  EXPECT_EQ(scaler().writes(), expected);
  std::vector<Report> sent = bridge().requests();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(hexOf(sent[0], 5), "06 01 4A 01 00");  // no register number before the first read
  EXPECT_EQ(hexOf(sent[1], 8), "05 01 4A 00 02 6F 80 00");
  EXPECT_EQ(scaler().ispRegisterReads(), 3);
}

TEST_F(ScalerRegistersTest, EnableIspKeepsTheOtherBitsOfTheFirstByte) {
  scaler().setIspAfterReads(0);
  scaler().setPointer(0x20);
  scaler().setReg(0x20, 0x15);
  bool result = false;
  enableIsp(result);
  EXPECT_TRUE(result);
  ASSERT_FALSE(scaler().writes().empty());
  EXPECT_EQ(scaler().writes()[0], std::make_pair(kIspRegister, std::uint8_t{0x95}));
}

TEST_F(ScalerRegistersTest, EnableIspGivesUpAfterFiftyReads) {
  scaler().setIspAfterReads(VirtualScaler::kNever);
  bool result = true;
  EXPECT_EQ(enableIsp(result), "");
  EXPECT_FALSE(result);
  EXPECT_EQ(scaler().ispRegisterReads(), 50);
  EXPECT_EQ(scaler().writes().size(), 1u);  // the request only, no defaults
}

TEST_F(ScalerRegistersTest, EnableIspSendsEveryDefaultWhateverTheyGive) {
  // Requests: 0 first read, 1 ISP request, 2-3 the poll, 4-10 the defaults,
  // 11-12 the read of 0x62.
  scaler().setIspAfterReads(0);
  for (int i = 4; i <= 10; ++i) fault(BridgeFault::Kind::Status, i, 3);
  fault(BridgeFault::Kind::Status, 12, 3);
  bool result = false;
  EXPECT_EQ(enableIsp(result),
            "Enable ISP succeeded. Setting default values...\n"
            "Scaler Address 0x62 = 0x4.\n");  // the last value written
  EXPECT_TRUE(result);

  std::vector<Report> sent = bridge().requests();
  ASSERT_EQ(sent.size(), 13u);
  for (std::size_t i = 0; i < kDefaults.size(); ++i) {
    EXPECT_EQ(sent[4 + i][5], kDefaults[i].first) << "default " << i;
    EXPECT_EQ(sent[4 + i][6], kDefaults[i].second) << "default " << i;
  }
}

struct IspFailureCase {
  const char* name;
  void (*arrange)(sim::StandardBridge&);
  const char* printed;
};

class EnableIspFailureTest : public ScalerRegistersTest,
                             public ::testing::WithParamInterface<IspFailureCase> {};

TEST_P(EnableIspFailureTest, PrintsWhyAndFails) {
  GetParam().arrange(dev_);
  bool result = true;
  EXPECT_EQ(enableIsp(result), GetParam().printed);
  EXPECT_FALSE(result);
  EXPECT_EQ(scaler().ispRegisterReads(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnableIspFailureTest,
    ::testing::Values(IspFailureCase{"NoBridge", [](sim::StandardBridge&) { CloseDevice(); },
                                     "EnableISP: Unable to read data from scaler.\n"},
                      IspFailureCase{"ReadRefused",
                                     [](sim::StandardBridge& d) { d.scaler->nakEverything(true); },
                                     "EnableISP: Unable to read data from scaler.\n"},
                      IspFailureCase{"WriteNotSent",
                                     [](sim::StandardBridge& d) {
                                       d.bridge->injectFault({BridgeFault::Kind::FailWrite}, 1);
                                     },
                                     "EnableISP: Unable to write data to scaler.\n"}),
    [](const ::testing::TestParamInfo<IspFailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vemo::test
