// The bridge's report protocol: firmware version, bus speed, chunked I2C
// writes and reads, and the error codes a failed transfer records.
#include <algorithm>
#include <memory>
#include <vector>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::BridgeFault;
using sim::Report;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kTarget = 0x50;
constexpr std::uint16_t kUntouched = 7;  // a code no transfer records
constexpr std::uint8_t kSentinel = 0x5A;
constexpr std::size_t kGuard = 64;

// Never 0 over a whole transfer, so misplaced zeros show.
std::uint8_t patternByte(std::size_t i) { return static_cast<std::uint8_t>(i % 255 + 1); }

Bytes pattern(std::size_t length) {
  Bytes out(length);
  for (std::size_t i = 0; i < length; ++i) out[i] = patternByte(i);
  return out;
}

// An I2C device that keeps every write and answers reads with the pattern.
class RecordingTarget : public sim::I2cTarget {
 public:
  bool write(const std::uint8_t* data, std::size_t length) override {
    writes.emplace_back(data, data + length);
    return true;
  }
  bool read(std::uint8_t* data, std::size_t length) override {
    std::copy_n(pattern(length).begin(), length, data);
    return true;
  }
  std::vector<Bytes> writes;
};

std::string hexOf(const Report& report) { return hex(Bytes(report.begin(), report.end())); }

Report reportOf(std::initializer_list<std::uint8_t> head, const std::uint8_t* data = nullptr,
                std::size_t count = 0) {
  Report r{};
  std::copy(head.begin(), head.end(), r.begin());
  if (count > 0) std::copy_n(data, count, r.begin() + head.size());
  return r;
}

Report rawReply(std::initializer_list<std::uint8_t> head, std::uint8_t fill) {
  Report r;
  r.fill(fill);
  std::copy(head.begin(), head.end(), r.begin());
  return r;
}

class BridgeReportsTest : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    bridge_ = std::make_shared<sim::VirtualBridge>(0x0210);
    target_ = std::make_shared<RecordingTarget>();
    bridge_->attach(kTarget, target_);
    bus().addBridge("/dev/virtual/bridge0", L"BRIDGE-0", bridge_);
    ASSERT_TRUE(OpenDevice(0));
  }

  void fault(BridgeFault::Kind kind, std::uint8_t value = 0, int afterRequests = 0) {
    bridge_->injectFault(BridgeFault{kind, value, {}}, afterRequests);
  }
  void rawFault(const Report& reply, int afterRequests = 0) {
    bridge_->injectFault(BridgeFault{BridgeFault::Kind::Raw, 0, reply}, afterRequests);
  }

  std::shared_ptr<sim::VirtualBridge> bridge_;
  std::shared_ptr<RecordingTarget> target_;
};

// ---- Writes ------------------------------------------------------------------

struct WriteCase {
  std::uint16_t length;
  std::vector<std::size_t> chunks;  // data bytes carried by each report
};

class ChunkedWriteTest : public BridgeReportsTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ChunkedWriteTest, SendsExactChunks) {
  const WriteCase& c = GetParam();
  Bytes data = pattern(c.length);
  ASSERT_TRUE(WriteI2C(kTarget, c.length == 0 ? nullptr : data.data(), c.length));

  std::vector<Report> sent = bridge_->requests();
  ASSERT_EQ(sent.size(), c.chunks.size());
  std::size_t offset = 0;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    Report expected = i == 0 ? reportOf({0x05, 0x01, kTarget, static_cast<std::uint8_t>(c.length >> 8),
                                         static_cast<std::uint8_t>(c.length)},
                                        data.data(), c.chunks[0])
                             : reportOf({0x05, 0x02}, data.data() + offset, c.chunks[i]);
    EXPECT_EQ(hexOf(sent[i]), hexOf(expected)) << "chunk " << i;
    offset += c.chunks[i];
  }
  ASSERT_EQ(target_->writes.size(), 1u);
  EXPECT_EQ(target_->writes[0], data);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ChunkedWriteTest,
    ::testing::Values(WriteCase{0, {0}}, WriteCase{59, {59}}, WriteCase{60, {59, 1}},
                      WriteCase{100, {59, 41}},
                      WriteCase{1024, {59, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 35}}),
    [](const ::testing::TestParamInfo<WriteCase>& info) {
      return "Bytes" + std::to_string(info.param.length);
    });

TEST_F(BridgeReportsTest, WriteAboveTheLimitSendsNothing) {
  Bytes data = pattern(1025);
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 1025));
  EXPECT_TRUE(bridge_->requests().empty());
}

TEST_F(BridgeReportsTest, StatusZeroEndsTheWriteEarlyWithSuccess) {
  Bytes data = pattern(100);
  fault(BridgeFault::Kind::Status, 0);
  EXPECT_TRUE(WriteI2C(kTarget, data.data(), 100));
  EXPECT_EQ(bridge_->requests().size(), 1u);
}

TEST_F(BridgeReportsTest, StatusOneAfterTheLastChunkFailsWithoutACode) {
  SetLastErrorCode(kUntouched);
  Bytes data = pattern(100);
  fault(BridgeFault::Kind::Status, 1, 1);
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 100));
  EXPECT_EQ(bridge_->requests().size(), 2u);
  EXPECT_EQ(GetLastErrorCode(), kUntouched);
}

// ---- Reads -------------------------------------------------------------------

struct ReadCase {
  std::uint8_t length;
  std::size_t exchanges;
};

class ChunkedReadTest : public BridgeReportsTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ChunkedReadTest, CollectsEveryChunk) {
  const ReadCase& c = GetParam();
  Bytes buffer(c.length + kGuard, kSentinel);
  ASSERT_TRUE(ReadI2C(kTarget, c.length == 0 ? nullptr : buffer.data(), c.length));

  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + c.length), pattern(c.length));
  EXPECT_EQ(Bytes(buffer.begin() + c.length, buffer.end()), Bytes(kGuard, kSentinel));
  std::vector<Report> sent = bridge_->requests();
  ASSERT_EQ(sent.size(), c.exchanges);
  EXPECT_EQ(hexOf(sent[0]), hexOf(reportOf({0x06, 0x01, kTarget, c.length})));
  for (std::size_t i = 1; i < sent.size(); ++i) {
    EXPECT_EQ(hexOf(sent[i]), hexOf(reportOf({0x06, 0x02}))) << "request " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ChunkedReadTest,
                         ::testing::Values(ReadCase{0, 1}, ReadCase{62, 1}, ReadCase{100, 2},
                                           ReadCase{254, 5}),
                         [](const ::testing::TestParamInfo<ReadCase>& info) {
                           return "Bytes" + std::to_string(info.param.length);
                         });

TEST_F(BridgeReportsTest, ReadOf255SendsNothing) {
  Bytes buffer(255 + kGuard, kSentinel);
  EXPECT_FALSE(ReadI2C(kTarget, buffer.data(), 255));
  EXPECT_TRUE(bridge_->requests().empty());
  EXPECT_EQ(buffer, Bytes(255 + kGuard, kSentinel));
}

TEST_F(BridgeReportsTest, LastDataWithStatusOneFails) {
  Bytes buffer(62, kSentinel);
  fault(BridgeFault::Kind::Status, 1);
  EXPECT_FALSE(ReadI2C(kTarget, buffer.data(), 62));
  EXPECT_EQ(buffer, pattern(62));
  EXPECT_EQ(bridge_->requests().size(), 1u);
}

TEST_F(BridgeReportsTest, PartialFailureKeepsTheBytesItCarries) {
  Bytes buffer(100 + kGuard, kSentinel);
  rawFault(rawReply({0x06, 0x02, 0x03, 0xAA, 0xBB, 0xCC}, 0xEE), 1);
  EXPECT_FALSE(ReadI2C(kTarget, buffer.data(), 100));

  Bytes expected = pattern(62);
  expected.insert(expected.end(), {0xAA, 0xBB, 0xCC});
  expected.resize(buffer.size(), kSentinel);
  EXPECT_EQ(hex(buffer), hex(expected));
  EXPECT_EQ(GetLastErrorCode(), 41606);
}

// Replies a bridge must never send; the caller's buffer stays the limit.
struct StrayReplyCase {
  const char* name;
  std::uint8_t length;
  Report reply;
  std::size_t copied;
};

class StrayReadReplyTest : public BridgeReportsTest, public ::testing::WithParamInterface<StrayReplyCase> {};

TEST_P(StrayReadReplyTest, CopiesWhatFitsAndFails) {
  const StrayReplyCase& c = GetParam();
  Bytes buffer(c.length + kGuard, kSentinel);
  rawFault(c.reply);
  EXPECT_FALSE(ReadI2C(kTarget, buffer.data(), c.length));

  Bytes expected(c.copied, 0xEE);
  expected.resize(buffer.size(), kSentinel);
  EXPECT_EQ(hex(buffer), hex(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrayReadReplyTest,
    ::testing::Values(
        StrayReplyCase{"DoneWithMoreThanOneChunkOutstanding", 100, rawReply({0x06, 0x00}, 0xEE), 62},
        StrayReplyCase{"MoreWithLessThanOneChunkOutstanding", 10, rawReply({0x06, 0x01}, 0xEE), 10},
        StrayReplyCase{"PartialCountAboveTheReply", 100, rawReply({0x06, 0x02, 0xFF}, 0xEE), 61},
        StrayReplyCase{"PartialCountAboveTheOutstanding", 5, rawReply({0x06, 0x02, 0x20}, 0xEE), 5}),
    [](const ::testing::TestParamInfo<StrayReplyCase>& info) { return info.param.name; });

// ---- Error codes -------------------------------------------------------------

enum class Transfer { Write, Read };

struct FailureCase {
  const char* name;
  Transfer transfer;
  BridgeFault::Kind kind;
  std::uint8_t value;
  std::uint16_t code;  // kUntouched: nothing recorded
};

class TransferFailureTest : public BridgeReportsTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransferFailureTest, RecordsItsCode) {
  const FailureCase& c = GetParam();
  SetLastErrorCode(kUntouched);
  fault(c.kind, c.value);
  Bytes data = pattern(10);
  bool ok =
      c.transfer == Transfer::Write ? WriteI2C(kTarget, data.data(), 10) : ReadI2C(kTarget, data.data(), 10);
  EXPECT_FALSE(ok);
  EXPECT_EQ(GetLastErrorCode(), c.code);
}

using K = BridgeFault::Kind;
INSTANTIATE_TEST_SUITE_P(
    Cases, TransferFailureTest,
    ::testing::Values(FailureCase{"WriteNotSent", Transfer::Write, K::FailWrite, 0, 40001},
                      FailureCase{"WriteReplyFails", Transfer::Write, K::FailRead, 0, 40002},
                      FailureCase{"WriteReplyNeverComes", Transfer::Write, K::NoReply, 0, 40002},
                      FailureCase{"WriteStatus2", Transfer::Write, K::Status, 2, 41603},
                      FailureCase{"WriteStatus3", Transfer::Write, K::Status, 3, 41602},
                      FailureCase{"WriteStatus4", Transfer::Write, K::Status, 4, 0},
                      FailureCase{"WriteStatus0x10", Transfer::Write, K::Status, 0x10, 16},
                      FailureCase{"WriteStatus0x25", Transfer::Write, K::Status, 0x25, 32},
                      FailureCase{"WriteStatus0xFF", Transfer::Write, K::Status, 0xFF, 48},
                      FailureCase{"WriteWrongId", Transfer::Write, K::WrongReportId, 6, kUntouched},
                      FailureCase{"ReadNotSent", Transfer::Read, K::FailWrite, 0, 40001},
                      FailureCase{"ReadReplyFails", Transfer::Read, K::FailRead, 0, 40002},
                      FailureCase{"ReadReplyNeverComes", Transfer::Read, K::NoReply, 0, 40002},
                      FailureCase{"ReadStatus2", Transfer::Read, K::Status, 2, 41606},
                      FailureCase{"ReadStatus3", Transfer::Read, K::Status, 3, 41601},
                      FailureCase{"ReadStatus4", Transfer::Read, K::Status, 4, 0},
                      FailureCase{"ReadStatus0x25", Transfer::Read, K::Status, 0x25, 32},
                      FailureCase{"ReadStatus0x4F", Transfer::Read, K::Status, 0x4F, 0},
                      FailureCase{"ReadStatus0xB3", Transfer::Read, K::Status, 0xB3, 48},
                      FailureCase{"ReadWrongId", Transfer::Read, K::WrongReportId, 5, kUntouched}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(BridgeReportsTest, LateReplyIsNotTakenForTheNextAnswer) {
  Bytes data = pattern(10);
  fault(BridgeFault::Kind::LateReply);
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 10));
  EXPECT_EQ(GetLastErrorCode(), 40002);

  Bytes buffer(4, kSentinel);
  EXPECT_TRUE(ReadI2C(kTarget, buffer.data(), 4));
  EXPECT_EQ(buffer, pattern(4));
  EXPECT_EQ(bridge_->queuedReplies(), 0u);
}

TEST_F(BridgeReportsTest, EveryReplyIsAwaitedForTwoSecondsAtMostAndStaleOnesNotAtAll) {
  Bytes data = pattern(100);
  ASSERT_TRUE(WriteI2C(kTarget, data.data(), 100));
  const std::vector<int>& limits = bus().find("/dev/virtual/bridge0")->readTimeouts;
  EXPECT_EQ(limits, std::vector<int>(2, 2000));  // one per chunk

  fault(BridgeFault::Kind::NoReply);
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 10));
  Bytes buffer(4);
  EXPECT_TRUE(ReadI2C(kTarget, buffer.data(), 4));
  // After the missed reply, queued reports are drained without waiting.
  EXPECT_EQ(limits, (std::vector<int>{2000, 2000, 2000, 0, 2000}));
}

TEST_F(BridgeReportsTest, ClosingABridgeForgetsTheReplyItOwed) {
  fault(BridgeFault::Kind::NoReply);
  Bytes data = pattern(10);
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 10));
  ASSERT_TRUE(CloseDevice());
  ASSERT_TRUE(OpenDevice(0));  // may well get the same handle address back
  std::vector<int>& limits = bus().find("/dev/virtual/bridge0")->readTimeouts;
  limits.clear();
  EXPECT_TRUE(WriteI2C(kTarget, data.data(), 10));
  EXPECT_EQ(limits, std::vector<int>{2000});  // nothing drained from the new handle
}

// ---- Version -----------------------------------------------------------------

struct VersionCase {
  const char* name;
  BridgeFault::Kind kind;
  std::uint8_t value;
};

class FailedVersionTest : public BridgeReportsTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(FailedVersionTest, GivesZeroAndRecordsNothing) {
  SetLastErrorCode(kUntouched);
  fault(GetParam().kind, GetParam().value);
  EXPECT_EQ(GetFwVersion(), 0);
  EXPECT_EQ(GetLastErrorCode(), kUntouched);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedVersionTest,
                         ::testing::Values(VersionCase{"NotSent", K::FailWrite, 0},
                                           VersionCase{"ReplyFails", K::FailRead, 0},
                                           VersionCase{"ReplyNeverComes", K::NoReply, 0},
                                           VersionCase{"WrongId", K::WrongReportId, 5}),
                         [](const ::testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

TEST_F(BridgeReportsTest, VersionComesHighByteFirst) {
  EXPECT_EQ(GetFwVersion(), 0x0210);
  ASSERT_EQ(bridge_->requests().size(), 1u);
  EXPECT_EQ(bridge_->requests()[0][0], 0x01);
}

TEST_F(BridgeReportsTest, NothingIsSentWithoutASelectedBridge) {
  ASSERT_TRUE(CloseDevice());
  Bytes data = pattern(10);
  EXPECT_EQ(GetFwVersion(), 0);
  EXPECT_FALSE(SetBusSpeed(1));
  EXPECT_FALSE(WriteI2C(kTarget, data.data(), 10));
  EXPECT_FALSE(ReadI2C(kTarget, data.data(), 10));
  EXPECT_TRUE(bridge_->requests().empty());
  EXPECT_EQ(data, pattern(10));
  EXPECT_EQ(LastErrorCode[0], 0);
}

}  // namespace
}  // namespace vemo::test
