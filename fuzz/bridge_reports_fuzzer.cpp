// A hostile bridge: the input scripts the bridge's answer to each request
// (a report of 64 arbitrary bytes, a failed write or read, no reply, a late
// reply, a wrong report ID or status, an unplug, or the genuine answer)
// while the host runs the I2C transfers, the register forms, the firmware
// version query, the bit wait and the ISP sequence against it.
//
// Input: up to 8 steps, each
//   operation byte, its parameters, count byte k, then k scripted answers;
//   an answer is a kind byte followed by 64 bytes for a raw report or one
//   value byte for a wrong report ID or status.
#include <cstdint>
#include <memory>

#include "fuzz/support/byte_stream.h"
#include "fuzz/support/harness.h"
#include "include/VemoMonitorSdk.h"

namespace {

using vemo::fuzz::ByteStream;
using vemo::fuzz::violated;
using vemo::sim::BridgeFault;

constexpr int kMaxSteps = 8;
constexpr int kMaxScriptedAnswers = 40;
// The most requests one transfer may make: 17 write chunks, 5 read requests.
constexpr std::size_t kMaxWriteRequests = 17;
constexpr std::size_t kMaxReadRequests = 5;

enum Operation : std::uint8_t {
  kWrite,
  kRead,
  kRegisterWrite,
  kRegisterRead,
  kFirmwareVersion,
  kWaitForBit,
  kEnableIsp,
  kBusSpeed,
  kOperationCount
};

enum AnswerKind : std::uint8_t {
  kGenuine,
  kRaw,
  kFailWrite,
  kFailRead,
  kNoReply,
  kLateReply,
  kWrongReportId,
  kStatus,
  kUnplug,
  kAnswerKindCount
};

void scriptAnswers(ByteStream& in, vemo::sim::VirtualBridge& bridge) {
  bridge.clearFaults();
  int count = in.byte() % (kMaxScriptedAnswers + 1);
  for (int i = 0; i < count; ++i) {
    BridgeFault fault{BridgeFault::Kind::Raw};
    switch (in.byte() % kAnswerKindCount) {
      case kGenuine:
        continue;
      case kRaw:
        in.copy(fault.raw.data(), fault.raw.size());
        break;
      case kFailWrite:
        fault.kind = BridgeFault::Kind::FailWrite;
        break;
      case kFailRead:
        fault.kind = BridgeFault::Kind::FailRead;
        break;
      case kNoReply:
        fault.kind = BridgeFault::Kind::NoReply;
        break;
      case kLateReply:
        fault.kind = BridgeFault::Kind::LateReply;
        break;
      case kWrongReportId:
        fault.kind = BridgeFault::Kind::WrongReportId;
        fault.value = in.byte();
        break;
      case kStatus:
        fault.kind = BridgeFault::Kind::Status;
        fault.value = in.byte();
        break;
      default:
        fault.kind = BridgeFault::Kind::Unplug;
        break;
    }
    bridge.injectFault(fault, i);
  }
}

// The most requests a bit wait may make: every register read is two
// requests, and a run of failed reads ends the wait after ten.
constexpr std::size_t kFailedReadsThatEndAWait = 10;
constexpr int kIspTries = 50;
std::size_t maxWaitRequests(int tries) {
  std::size_t reads =
      (tries > 0 ? static_cast<std::size_t>(tries) : 0) * kFailedReadsThatEndAWait + kFailedReadsThatEndAWait;
  return 2 * reads;
}

// The caller's buffer, exactly as long as the caller says, so that any byte
// the library touches beyond it is caught.
std::unique_ptr<unsigned char[]> exactBuffer(std::size_t length, unsigned char fill) {
  auto buffer = std::make_unique<unsigned char[]>(length);
  for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<unsigned char>(fill + i);
  return buffer;
}

void runStep(ByteStream& in, vemo::sim::StandardBridge& dev) {
  std::uint8_t operation = in.byte() % kOperationCount;
  std::uint8_t address = in.byte();
  std::uint8_t reg = in.byte();
  std::uint16_t length = in.word();
  std::uint8_t mask = in.byte();
  std::uint8_t value = in.byte();
  std::int8_t tries = static_cast<std::int8_t>(in.byte());
  std::uint8_t scalerDelay = in.byte();
  dev.scaler->setIspAfterReads(scalerDelay >= 8 ? vemo::sim::VirtualScaler::kNever : scalerDelay);
  dev.scaler->nakEverything(scalerDelay == 7);
  scriptAnswers(in, *dev.bridge);

  std::size_t requestsBefore = dev.bridge->requestCount();
  auto requestsMade = [&] { return dev.bridge->requestCount() - requestsBefore; };
  switch (operation) {
    case kWrite: {
      length %= 1100;  // beyond the 1024-byte limit too
      auto data = exactBuffer(length, value);
      WriteI2C(address, data.get(), length);
      if (requestsMade() > kMaxWriteRequests) violated("a write made more than 17 requests");
      break;
    }
    case kRead: {
      auto length8 = static_cast<unsigned char>(length);
      auto data = exactBuffer(length8, value);
      ReadI2C(address, data.get(), length8);
      if (requestsMade() > kMaxReadRequests) violated("a read made more than 5 requests");
      break;
    }
    case kRegisterWrite: {
      length %= 1100;
      auto data = exactBuffer(length, value);
      WriteI2C(address, reg, data.get(), length);
      if (requestsMade() > kMaxWriteRequests) violated("a register write made more than 17 requests");
      break;
    }
    case kRegisterRead: {
      length %= 300;
      auto data = exactBuffer(length, value);
      ReadI2C(address, reg, data.get(), length);
      if (requestsMade() > 1 + kMaxReadRequests) violated("a register read made too many requests");
      break;
    }
    case kFirmwareVersion:
      GetFwVersion();
      break;
    case kWaitForBit:
      WaitForBitChange(address, reg, mask, value, tries);
      if (requestsMade() > maxWaitRequests(tries)) violated("the bit wait did not give up");
      break;
    case kEnableIsp:
      EnableISP_Demo();
      // The first read, the ISP request, the wait, seven defaults and the last read.
      if (requestsMade() > 1 + 1 + maxWaitRequests(kIspTries) + 7 + 2) {
        violated("the ISP sequence did not give up");
      }
      break;
    default:
      SetBusSpeed(value);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vemo::fuzz::prepareProcess(vemo::fuzz::LogSink::Discard);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vemo::fuzz::resetLibrary();
  vemo::sim::StandardBridge dev = vemo::fuzz::plugStandardBridge();
  if (!OpenDevice(0)) violated("the genuine bridge could not be opened");
  ByteStream in(data, size);
  for (int step = 0; step < kMaxSteps && !in.empty(); ++step) runStep(in, dev);
  return 0;
}
