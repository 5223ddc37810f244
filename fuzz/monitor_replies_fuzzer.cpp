// A hostile monitor: the input scripts every reply frame the monitor gives
// (arbitrary bytes of any length, the genuine reply with a byte changed or a
// lying length byte, a NAK, or the genuine reply) while the host calls
// every getter, setter and action of the API against it.
//
// Input: log level byte, then up to 16 calls, each
//   call byte, 8 argument bytes, count byte k, then k scripted replies;
//   a reply is a kind byte followed by its bytes (see FuzzedMonitor::read).
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "fuzz/support/byte_stream.h"
#include "fuzz/support/harness.h"
#include "include/VemoMonitorSdk.h"

namespace {

using vemo::fuzz::ByteStream;
using vemo::fuzz::violated;
using Bytes = std::vector<std::uint8_t>;

constexpr int kMaxCalls = 16;
constexpr int kMaxScriptedReplies = 12;
// An exchange waits 100 ms before each of at most 10 polls.
constexpr std::uint64_t kMaxSleepPerCall = 10 * 100'000;

enum ReplyKind : std::uint8_t {
  kGenuine,
  kRaw,          // length byte n, n bytes; the rest of what was asked is filler
  kPatched,      // genuine reply, then byte [position] = value, checksum kept or refreshed
  kLyingLength,  // genuine reply with byte 1 replaced
  kNak,          // the monitor does not acknowledge its address
  kReplyKindCount
};

struct ScriptedReply {
  std::uint8_t kind;
  Bytes bytes;
  std::uint8_t filler = 0;
  std::uint8_t position = 0;
  std::uint8_t value = 0;
  bool refreshChecksum = false;
};

// The monitor at 0x37: it takes the host's frames like the genuine model and
// answers each read with the next scripted reply, the genuine one when the
// script has run out.
class FuzzedMonitor : public vemo::sim::I2cTarget {
 public:
  explicit FuzzedMonitor(std::shared_ptr<vemo::sim::VirtualMonitor> genuine) : genuine_(std::move(genuine)) {}

  void script(ByteStream& in) {
    script_.clear();
    int count = in.byte() % (kMaxScriptedReplies + 1);
    for (int i = 0; i < count; ++i) {
      ScriptedReply reply{static_cast<std::uint8_t>(in.byte() % kReplyKindCount), {}};
      switch (reply.kind) {
        case kRaw:
          reply.bytes = in.take(in.byte());
          reply.filler = in.byte();
          break;
        case kPatched:
          reply.position = in.byte();
          reply.value = in.byte();
          reply.refreshChecksum = (reply.position & 0x80) != 0;
          break;
        case kLyingLength:
          reply.value = in.byte();
          break;
        default:
          break;
      }
      script_.push_back(std::move(reply));
    }
  }

  int frames() const { return frames_; }

  bool write(const std::uint8_t* data, std::size_t length) override {
    ++frames_;
    return genuine_->write(data, length);
  }

  bool read(std::uint8_t* data, std::size_t length) override {
    if (script_.empty()) return genuine_->read(data, length);
    ScriptedReply reply = std::move(script_.front());
    script_.pop_front();
    switch (reply.kind) {
      case kRaw:
        for (std::size_t i = 0; i < length; ++i) {
          data[i] = i < reply.bytes.size() ? reply.bytes[i] : reply.filler;
        }
        return true;
      case kPatched:
        genuine_->read(data, length);
        if (length > 0) data[(reply.position & 0x7F) % length] = reply.value;
        if (reply.refreshChecksum) refreshChecksum(data, length);
        return true;
      case kLyingLength:
        genuine_->read(data, length);
        if (length > 1) data[1] = reply.value;
        return true;
      case kNak:
        return false;
      default:
        return genuine_->read(data, length);
    }
  }

 private:
  // Makes the checksum right for the frame length the reply itself claims,
  // when that frame fits what was read.
  static void refreshChecksum(std::uint8_t* data, std::size_t length) {
    if (length < 2) return;
    std::size_t frameLength = (data[1] & 0x7Fu) + 3;
    if (frameLength > length) return;
    std::uint8_t sum = 0x50;
    for (std::size_t i = 0; i + 1 < frameLength; ++i) sum ^= data[i];
    data[frameLength - 1] = sum;
  }

  std::shared_ptr<vemo::sim::VirtualMonitor> genuine_;
  std::deque<ScriptedReply> script_;
  int frames_ = 0;
};

struct Arguments {
  std::uint8_t b[8];
  std::uint32_t mask() const {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
  }
};

// Output records exactly as long as the API says, so that any byte written
// beyond them is caught.
template <std::size_t N, typename Getter>
int getRecordInto(Getter getter) {
  auto out = std::make_unique<unsigned char[]>(N);
  return getter(out.get());
}

using Call = int (*)(const Arguments&);
#define BYTE_GETTER(name)   \
  [](const Arguments&) {    \
    unsigned char v = 0xA5; \
    return name(&v);        \
  }
#define BYTE_SETTER(name) [](const Arguments& a) { return name(a.b[0]); }
#define MASK_GETTER(name)    \
  [](const Arguments&) {     \
    uint32_t v = 0xA5A5A5A5; \
    return name(&v);         \
  }
#define MASK_SETTER(name) [](const Arguments& a) { return name(a.mask()); }
#define RECORD_GETTER(name, n) [](const Arguments&) { return getRecordInto<n>(name); }
#define ACTION(name) [](const Arguments&) { return name(); }

const Call kCalls[] = {
    RECORD_GETTER(GetAssetTag, 10),
    RECORD_GETTER(GetMonitorName, 10),
    RECORD_GETTER(GetMonitorSerialNumber, 12),
    RECORD_GETTER(GetVersionFirmware, 10),
    [](const Arguments&) {
      short hours = 0x5A5A;
      return GetBacklightHours(&hours);
    },
    [](const Arguments& a) {
      // The caller's buffer of 10 bytes: a text of up to 9 characters with
      // its NUL, or ten characters that fill it (GetAssetTag's record).
      std::size_t textLength = a.b[0] % 11;
      auto text = std::make_unique<char[]>(10);
      for (std::size_t i = 0; i < textLength; ++i) text[i] = static_cast<char>(a.b[1 + i % 7] | 1);
      if (textLength < 10) text[textLength] = '\0';
      return SetAssetTag(text.get());
    },
    BYTE_GETTER(GetPowerState),
    BYTE_SETTER(SetPowerState),
    BYTE_GETTER(GetPowerLED),
    BYTE_SETTER(SetPowerLED),
    BYTE_GETTER(GetPowerUSB),
    BYTE_SETTER(SetPowerUSB),
    ACTION(ResetPower),
    ACTION(FactoryReset),
    BYTE_GETTER(GetBrightness),
    BYTE_SETTER(SetBrightness),
    BYTE_GETTER(GetContrast),
    BYTE_SETTER(SetContrast),
    BYTE_GETTER(GetDynamicContrast),
    BYTE_SETTER(SetDynamicContrast),
    BYTE_GETTER(GetAspectRatio),
    BYTE_SETTER(SetAspectRatio),
    BYTE_GETTER(GetSharpness),
    BYTE_SETTER(SetSharpness),
    BYTE_GETTER(GetResponseTime),
    BYTE_SETTER(SetResponseTime),
    BYTE_GETTER(GetSaturation),
    BYTE_SETTER(SetSaturation),
    BYTE_GETTER(GetHue),
    BYTE_SETTER(SetHue),
    BYTE_GETTER(GetGammaMode),
    BYTE_SETTER(SetGammaMode),
    BYTE_GETTER(GetUniformityCompensation),
    BYTE_SETTER(SetUniformityCompensation),
    BYTE_GETTER(GetLCDConditioning),
    BYTE_SETTER(SetLCDConditioning),
    MASK_GETTER(GetColorPreset),
    MASK_SETTER(SetColorPreset),
    MASK_GETTER(GetColorPresetCaps),
    MASK_GETTER(GetColorSpaceState),
    MASK_SETTER(SetColorSpaceState),
    MASK_GETTER(GetColorSpaceCaps),
    MASK_GETTER(GetColorTemp),
    MASK_SETTER(SetColorTemp),
    MASK_GETTER(GetColorTempCaps),
    BYTE_GETTER(GetInputColorFormat),
    BYTE_SETTER(SetInputColorFormat),
    [](const Arguments& a) {
      unsigned char c[6] = {1, 2, 3, 4, 5, 6};
      return GetCustomColor(a.b[0], &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]);
    },
    [](const Arguments& a) {
      return SetCustomColor(a.b[0] % 5, a.b[1], a.b[2], a.b[3], a.b[4], a.b[5], a.b[6]);
    },
    ACTION(ResetColor),
    MASK_GETTER(GetVideoInput),
    MASK_SETTER(SetVideoInput),
    MASK_GETTER(GetVideoInputCaps),
    BYTE_GETTER(GetAutoSelect),
    BYTE_SETTER(SetAutoSelect),
    BYTE_GETTER(GetPxPMode),
    BYTE_SETTER(SetPxPMode),
    MASK_GETTER(GetPxPSubInput),
    MASK_SETTER(SetPxPSubInput),
    BYTE_GETTER(GetPxPLocation),
    BYTE_SETTER(SetPxPLocation),
    BYTE_GETTER(GetMST),
    BYTE_SETTER(SetMST),
    BYTE_GETTER(GetOSDTransparency),
    BYTE_SETTER(SetOSDTransparency),
    BYTE_GETTER(GetOSDLanguage),
    BYTE_SETTER(SetOSDLanguage),
    BYTE_GETTER(GetOSDRotation),
    BYTE_SETTER(SetOSDRotation),
    BYTE_GETTER(GetOSDTimer),
    BYTE_SETTER(SetOSDTimer),
    BYTE_GETTER(GetOSDButtonLock),
    BYTE_SETTER(SetOSDButtonLock),
    BYTE_GETTER(GetButtonSound),
    BYTE_SETTER(SetButtonSound),
    ACTION(ResetOSD),
    // Losing and regaining the connection between calls (a second
    // ConnectMonitor without DisconnectMonitor replaces the open handle
    // without closing it, so the harness disconnects first, as callers must).
    [](const Arguments&) { return DisconnectMonitor(); },
    [](const Arguments& a) {
      DisconnectMonitor();
      return ConnectMonitor(a.b[0] % 2);
    },
};
constexpr std::size_t kCallCount = sizeof kCalls / sizeof kCalls[0];

bool isResultCode(int result) {
  return result == STATUS_OK || result == STATUS_OUT_OF_RANGE || result == STATUS_NOT_CONNECTED ||
         result == STATUS_COMM_FAILURE;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vemo::fuzz::prepareProcess(vemo::fuzz::LogSink::Discard);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vemo::fuzz::resetLibrary();
  vemo::sim::StandardBridge dev = vemo::fuzz::plugStandardBridge();
  auto monitor = std::make_shared<FuzzedMonitor>(dev.monitor);
  dev.bridge->attach(0x37, monitor);
  ByteStream in(data, size);
  SetDebugLevel(in.byte() % 5);
  if (ConnectMonitor(0) != STATUS_OK) violated("the genuine bridge could not be connected");

  for (int i = 0; i < kMaxCalls && !in.empty(); ++i) {
    const Call call = kCalls[in.byte() % kCallCount];
    Arguments arguments;
    in.copy(arguments.b, sizeof arguments.b);
    monitor->script(in);
    int framesBefore = monitor->frames();
    vemo::test::VirtualClock::reset();
    int result = call(arguments);
    if (!isResultCode(result)) violated("a call returned something other than a result code");
    if (monitor->frames() - framesBefore > 1) violated("a call sent more than one frame");
    if (result == STATUS_OUT_OF_RANGE && monitor->frames() != framesBefore) {
      violated("a refused argument was sent");
    }
    if (vemo::test::VirtualClock::elapsedMicroseconds() > kMaxSleepPerCall)
      violated("a call waited over 1 s");
  }
  return 0;
}
