// The command channel: frames on the wire, the poll loop and its waits, the
// acceptance test, and its trace lines.
#include <string>

#include "sim/virtual_monitor.h"
#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::BridgeFault;
using sim::MonitorFault;

class ExchangeTest : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    connectStandard();
  }
  std::vector<std::string> traceLines() const {
    std::vector<std::string> out;
    for (const std::string& m : logMessages()) {
      if (m.rfind("TRACE", 0) == 0) out.push_back(m);
    }
    return out;
  }
  std::size_t polls() const { return VirtualClock::sleeps().size(); }
};

const std::vector<std::uint64_t> kWaits(int n) { return std::vector<std::uint64_t>(n, 100000); }

struct FrameCase {
  const char* name;
  bool write;
  std::uint8_t code;
  std::vector<std::uint8_t> payload;
  std::string frame;
};

class FrameTest : public ExchangeTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTest, FrameOnTheWireMatchesTheWorkedExample) {
  const FrameCase& c = GetParam();
  unsigned char reply[16] = {};
  const unsigned char* payload = c.payload.empty() ? nullptr : c.payload.data();
  int length = static_cast<int>(c.payload.size());
  if (c.write) {
    HelperWrite(c.code, payload, length);
  } else {
    HelperReadEx(c.code, payload, length, reply, 7);
  }
  ASSERT_EQ(dev_.monitor->hostFrames().size(), 1u);
  EXPECT_EQ(hex(dev_.monitor->hostFrames()[0]), c.frame);
  // The frame travels in one write chunk to I2C address 0x37.
  std::vector<sim::Report> requests = dev_.bridge->requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0][0], 0x05);
  EXPECT_EQ(requests[0][2], 0x37);
  EXPECT_EQ(requests[0][4], c.frame.size() / 3 + 1);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FrameTest,
    ::testing::Values(FrameCase{"setter", true, 0x30, {0x32}, "51 83 EA 30 32 54"},
                      FrameCase{"action", true, 0xAF, {}, "51 82 EA AF F8"},
                      FrameCase{"mask", true, 0x48, {0, 0, 0, 0x10}, "51 86 EA 48 00 00 00 10 0B"},
                      FrameCase{"getter", false, 0x30, {}, "51 82 EB 30 66"},
                      // A read frame's length byte stays 0x82 with a payload.
                      FrameCase{"read payload", false, 0x49, {0x00}, "51 82 EB 49 00 1F"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST_F(ExchangeTest, AcknowledgedWriteWaitsOnceAndSucceeds) {
  EXPECT_EQ(HelperWrite(0x30, bytesOf("32").data(), 1), STATUS_OK);
  EXPECT_EQ(VirtualClock::sleeps(), kWaits(1));
  EXPECT_EQ(repliesRead(), (std::vector<std::string>{"6E 83 02 00 30 8F"}));
}

TEST_F(ExchangeTest, ReadReplyIsLeftInTheCallersBuffer) {
  unsigned char reply[7] = {};
  EXPECT_EQ(HelperRead(0x30, reply, 7), STATUS_OK);
  EXPECT_EQ(hex({reply, reply + 7}), "6E 84 02 00 30 4B C3");  // brightness 75
}

TEST_F(ExchangeTest, RefusedWriteFailsAtTheFirstReadWithoutRetry) {
  dev_.monitor->refuse(0x30, 0x01);
  EXPECT_EQ(HelperWrite(0x30, bytesOf("32").data(), 1), STATUS_COMM_FAILURE);
  EXPECT_EQ(repliesRead(), (std::vector<std::string>{"6E 83 02 01 30 8E"}));
  EXPECT_EQ(polls(), 1u);
}

TEST_F(ExchangeTest, ReadReplyWithNonZeroStatusIsStillAcceptedByTheChannel) {
  dev_.monitor->refuse(0x30, 0x07);
  unsigned char reply[7] = {};
  EXPECT_EQ(HelperRead(0x30, reply, 7), STATUS_OK);
  EXPECT_EQ(reply[3], 0x07);
  EXPECT_EQ(polls(), 1u);
}

class RejectedReplyTest : public ExchangeTest, public ::testing::WithParamInterface<MonitorFault::Kind> {};

TEST_P(RejectedReplyTest, IsPolledAgainAndAGoodSecondReplyIsAccepted) {
  dev_.monitor->injectReplyFault({GetParam()});
  unsigned char reply[7] = {};
  EXPECT_EQ(HelperRead(0x30, reply, 7), STATUS_OK);
  EXPECT_EQ(VirtualClock::sleeps(), kWaits(2));
  EXPECT_EQ(reply[5], 75);
}

TEST_P(RejectedReplyTest, TenTimesGivesFailureAndTheRetryMessage) {
  SetDebugLevel(4);
  dev_.monitor->injectReplyFault({GetParam()}, 10);
  EXPECT_EQ(HelperWrite(0x30, bytesOf("32").data(), 1), STATUS_COMM_FAILURE);
  EXPECT_EQ(VirtualClock::sleeps(), kWaits(10));
  std::vector<std::string> trace = traceLines();
  ASSERT_EQ(trace.size(), 12u);  // the frame, ten rejected replies, the message
  EXPECT_EQ(trace.back(), "TRACE ZQ_API:Unable to read back value after 10 retries");
}

INSTANTIATE_TEST_SUITE_P(Faults, RejectedReplyTest,
                         ::testing::Values(MonitorFault::Kind::BadChecksum, MonitorFault::Kind::WrongSource,
                                           MonitorFault::Kind::WrongMarker, MonitorFault::Kind::WrongEcho,
                                           MonitorFault::Kind::LyingLength, MonitorFault::Kind::Silent));

TEST_F(ExchangeTest, FailedBusReadEndsThePollAtOnce) {
  SetDebugLevel(4);
  dev_.monitor->injectReplyFault({MonitorFault::Kind::BadChecksum}, 2);
  // Requests: the frame's write chunk, then one read request per poll.
  dev_.bridge->injectFault({BridgeFault::Kind::FailRead}, 3);
  unsigned char reply[7] = {};
  EXPECT_EQ(HelperRead(0x30, reply, 7), STATUS_COMM_FAILURE);
  EXPECT_EQ(polls(), 3u);
  std::vector<std::string> trace = traceLines();
  EXPECT_EQ(trace.size(), 3u);  // the frame and the two rejected replies; no retry message
}

TEST_F(ExchangeTest, FailedFrameWriteTracesOnlyTheFrame) {
  SetDebugLevel(4);
  dev_.bridge->injectFault({BridgeFault::Kind::FailWrite});
  EXPECT_EQ(HelperWrite(0x30, bytesOf("32").data(), 1), STATUS_COMM_FAILURE);
  EXPECT_EQ(polls(), 0u);
  EXPECT_EQ(traceLines(), (std::vector<std::string>{"TRACE  ---> 51 83 EA 30 32 54 "}));
}

TEST_F(ExchangeTest, AcknowledgedWriteTracesFrameAndReplyOnlyAtTraceLevel) {
  SetDebugLevel(3);
  HelperWrite(0x30, bytesOf("32").data(), 1);
  EXPECT_TRUE(traceLines().empty());
  SetDebugLevel(4);
  HelperWrite(0x30, bytesOf("32").data(), 1);
  EXPECT_EQ(traceLines(),
            (std::vector<std::string>{"TRACE  ---> 51 83 EA 30 32 54 ", "TRACE  <--- 6E 83 02 00 30 8F "}));
}

TEST_F(ExchangeTest, NotConnectedTouchesNoBusAndTracesNothing) {
  DisconnectMonitor();
  SetDebugLevel(4);
  unsigned char reply[7] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(HelperWrite(0x30, bytesOf("32").data(), 1), STATUS_NOT_CONNECTED);
  EXPECT_EQ(HelperRead(0x30, reply, 7), STATUS_NOT_CONNECTED);
  EXPECT_EQ(HelperReadEx(0x49, bytesOf("02").data(), 1, reply, 12), STATUS_NOT_CONNECTED);
  EXPECT_EQ(hex({reply, reply + 7}), "01 02 03 04 05 06 07");
  EXPECT_TRUE(dev_.bridge->reports().empty());
  EXPECT_TRUE(traceLines().empty());
  EXPECT_EQ(polls(), 0u);
}

struct BadArguments {
  int payloadLength;
  int replyLength;
  bool nullPayload;
};

class BadArgumentsTest : public ExchangeTest, public ::testing::WithParamInterface<BadArguments> {};

TEST_P(BadArgumentsTest, AreRefusedWithNothingSent) {
  const BadArguments& c = GetParam();
  std::vector<unsigned char> payload(200, 0x11);
  unsigned char reply[300] = {};
  const unsigned char* p = c.nullPayload ? nullptr : payload.data();
  EXPECT_EQ(HelperReadEx(0x30, p, c.payloadLength, reply, c.replyLength), STATUS_OUT_OF_RANGE);
  if (c.replyLength >= 1 && c.replyLength <= 254) {
    EXPECT_EQ(HelperWrite(0x30, p, c.payloadLength), STATUS_OUT_OF_RANGE);
  }
  EXPECT_TRUE(dev_.bridge->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(Limits, BadArgumentsTest,
                         ::testing::Values(BadArguments{-1, 7, false}, BadArguments{126, 7, false},
                                           BadArguments{1, 7, true}, BadArguments{0, 0, false},
                                           BadArguments{0, 255, false}, BadArguments{0, -3, false}));

TEST_F(ExchangeTest, LargestPayloadIsSentWithSevenBitLength) {
  std::vector<unsigned char> payload(125, 0x00);
  HelperWrite(0x00, payload.data(), 125);
  ASSERT_EQ(dev_.monitor->hostFrames().size(), 1u);
  EXPECT_EQ(dev_.monitor->hostFrames()[0].size(), 130u);
  EXPECT_EQ(dev_.monitor->hostFrames()[0][1], 0xFF);
}

TEST_F(ExchangeTest, ReplyTooShortToHoldItsOwnFrameIsNeverAccepted) {
  unsigned char reply[4] = {};
  EXPECT_EQ(HelperRead(0x30, reply, 4), STATUS_COMM_FAILURE);
  EXPECT_EQ(polls(), 10u);
}

TEST_F(ExchangeTest, ReplyWhoseLengthByteClaimsMoreThanWasReadIsRejected) {
  // A 16-byte record asked for with only 7 bytes: its checksum lies beyond them.
  unsigned char reply[7] = {};
  EXPECT_EQ(HelperRead(0x01, reply, 7), STATUS_COMM_FAILURE);
  EXPECT_EQ(polls(), 10u);
}

struct ChecksumCase {
  std::string bytes;
  int count;
  unsigned expected;
};

TEST_F(ExchangeTest, RequestChecksumStartsFromTheMonitorsAddress) {
  const std::vector<ChecksumCase> cases = {
      {"51 83 EA 30 32", 5, 0x54}, {"51 82 EB 30", 4, 0x66}, {"51", 0, 0x6E}, {"51", -4, 0x6E}};
  for (const ChecksumCase& c : cases) {
    EXPECT_EQ(HelperCheckSum(bytesOf(c.bytes).data(), c.count), c.expected) << c.bytes;
  }
  EXPECT_EQ(HelperCheckSum(nullptr, 5), 0);
}

TEST_F(ExchangeTest, ReplyChecksumStartsFrom0x50) {
  const std::vector<ChecksumCase> cases = {
      {"6E 83 02 00 30 8F", 6, 0},    {"6E 83 02 00 30 8E", 6, 0xFFFFFFFF},
      {"6E 84 02 00 30 32 BA", 7, 0}, {"50", 1, 0},
      {"51", 1, 0xFFFFFFFF},          {"6E 80 BE", 3, 0},
      {"6E 83", 0, 0xFFFFFFFF},       {"6E 83", -1, 0xFFFFFFFF}};
  for (const ChecksumCase& c : cases) {
    EXPECT_EQ(HelperCheckSumRx(bytesOf(c.bytes).data(), c.count), c.expected) << c.bytes;
  }
  EXPECT_EQ(HelperCheckSumRx(nullptr, 6), 0u);
}

TEST_F(ExchangeTest, DelayIsMillisecondsOfSleepAndNegativeIsNone) {
  doDelayMs(100);
  doDelayMs(0);
  doDelayMs(-5);
  doDelayMs(2500);
  EXPECT_EQ(VirtualClock::elapsedMicroseconds(), 100000u + 2500000u);
}

}  // namespace
}  // namespace vemo::test
