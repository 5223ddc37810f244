#include "sim/virtual_monitor.h"

#include <algorithm>
#include <cstring>

namespace vemo::sim {
namespace {

constexpr std::uint8_t kHostSource = 0x51;
constexpr std::uint8_t kMonitorSource = 0x6E;
constexpr std::uint8_t kWriteOpcode = 0xEA;
constexpr std::uint8_t kReadOpcode = 0xEB;
constexpr std::uint8_t kCustomColor = 0x49;
constexpr std::uint8_t kRefused = 1;

struct Default {
  std::uint8_t code;
  Bytes value;
};

Bytes text(const char* s, std::size_t width) {
  Bytes out(width, 0);
  std::memcpy(out.data(), s, std::min(width, std::strlen(s)));
  return out;
}

Bytes be32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// Factory state of the virtual monitor: plausible values for every code.
const std::vector<Default>& defaults() {
  static const std::vector<Default> table = {
      {0x00, text("ASSET-0001", 10)},
      {0x01, text("VEMO P27Q", 10)},
      {0x02, text("VM2612345678", 12)},
      {0x04, {0x04, 0xD2}},  // 1234 hours
      {0xA0, text("FW 1.02.07", 10)},
      {0x20, {1}},
      {0x21, {1}},
      {0x22, {0}},
      {0x30, {75}},
      {0x31, {50}},
      {0x32, {0}},
      {0x33, {0}},
      {0x34, {50}},
      {0x35, {0}},
      {0x40, {50}},
      {0x41, {50}},
      {0x42, be32(0x3F)},
      {0x43, be32(0x04)},
      {0x44, be32(0x0F)},
      {0x45, be32(0x01)},
      {0x46, {0}},
      {0x47, be32(0xFF)},
      {0x48, be32(0x01)},
      {0x4A, {0}},
      {0x4B, {0}},
      {0x60, {1}},
      {0x61, be32(0x1F)},
      {0x62, be32(0x01)},
      {0x70, {0}},
      {0x71, be32(0x02)},
      {0x72, {0}},
      {0x80, {0}},
      {0x81, {0}},
      {0x82, {0}},
      {0x83, {30}},
      {0x84, {0}},
      {0x85, {1}},
      {0xA2, {0}},
      {0xA4, {0}},
  };
  return table;
}

// The capability value that lists the choices of each single-bit setting.
std::optional<std::uint8_t> capabilityCodeOf(std::uint8_t code) {
  switch (code) {
    case 0x43:  // colour temperature
      return 0x42;
    case 0x45:  // colour space
      return 0x44;
    case 0x48:  // colour preset
      return 0x47;
    case 0x62:  // video input
    case 0x71:  // PxP sub input
      return 0x61;
    default:
      return std::nullopt;
  }
}

std::uint32_t fromBe32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         bytes[3];
}

const std::array<std::uint8_t, 6> kDefaultCustomColor = {50, 50, 50, 0, 0, 0};

bool readOnly(std::uint8_t code) {
  switch (code) {
    case 0x01:
    case 0x02:
    case 0x04:
    case 0xA0:
    case 0x42:
    case 0x44:
    case 0x47:
    case 0x61:
      return true;
    default:
      return false;
  }
}

// Which codes a reset command restores: its block of sixteen; the factory
// reset restores everything writable except the asset tag.
bool resetCovers(std::uint8_t reset, std::uint8_t code) {
  if (reset == 0xAF) return code != 0x00;
  return (code & 0xF0) == (reset & 0xF0);
}

}  // namespace

Bytes buildReplyFrame(std::uint8_t status, std::uint8_t code, const Bytes& value) {
  Bytes frame(value.size() + 5);
  frame[0] = kMonitorSource;
  frame[1] = static_cast<std::uint8_t>(0x80 | (value.size() + 3));
  frame[2] = 0x02;
  frame[3] = status;
  frame[4] = code;
  std::copy(value.begin(), value.end(), frame.begin() + 5);
  std::uint8_t sum = 0x50;
  for (std::uint8_t b : frame) sum ^= b;
  frame.push_back(sum);
  return frame;
}

const std::vector<VirtualMonitor::CodeInfo>& VirtualMonitor::knownCodes() {
  static const std::vector<CodeInfo> codes = [] {
    std::vector<CodeInfo> out;
    for (const Default& d : defaults()) {
      out.push_back({d.code, static_cast<std::uint8_t>(d.value.size()), !readOnly(d.code)});
    }
    out.push_back({kCustomColor, 6, true});
    return out;
  }();
  return codes;
}

VirtualMonitor::VirtualMonitor() {
  for (const Default& d : defaults()) factory_[d.code] = d.value;
  resetToDefaults();
}

void VirtualMonitor::resetToDefaults() {
  values_ = factory_;
  customColors_.clear();
}

void VirtualMonitor::setFactoryValue(std::uint8_t code, Bytes bytes) {
  factory_[code] = bytes;
  values_[code] = std::move(bytes);
}

std::optional<Bytes> VirtualMonitor::value(std::uint8_t code) const {
  auto it = values_.find(code);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void VirtualMonitor::setValue(std::uint8_t code, Bytes bytes) { values_[code] = std::move(bytes); }

std::array<std::uint8_t, 6> VirtualMonitor::customColor(std::uint8_t type) const {
  auto it = customColors_.find(type);
  return it == customColors_.end() ? kDefaultCustomColor : it->second;
}

void VirtualMonitor::setCustomColor(std::uint8_t type, const std::array<std::uint8_t, 6>& v) {
  customColors_[type] = v;
}

void VirtualMonitor::injectReplyFault(const MonitorFault& fault, int count) {
  for (int i = 0; i < count; ++i) faults_.push_back(fault);
}

std::vector<Bytes> VirtualMonitor::hostFrames() const {
  std::vector<Bytes> out;
  for (const FrameRecord& f : frames_) {
    if (f.fromHost) out.push_back(f.bytes);
  }
  return out;
}

bool VirtualMonitor::write(const std::uint8_t* data, std::size_t length) {
  if (recording_) frames_.push_back({true, Bytes(data, data + length)});
  pendingReply_.reset();
  // A frame the monitor cannot trust is ignored, as on a DDC/CI bus.
  if (length < 5 || data[0] != kHostSource || (data[1] & 0x80) == 0) {
    ++rejectedFrames_;
    return true;
  }
  std::uint8_t sum = kMonitorSource;
  for (std::size_t i = 0; i + 1 < length; ++i) sum ^= data[i];
  if (sum != data[length - 1]) {
    ++rejectedFrames_;
    return true;
  }
  std::uint8_t opcode = data[2];
  std::uint8_t code = data[3];
  const std::uint8_t* payload = data + 4;
  std::size_t payloadLength = length - 5;
  if (opcode == kWriteOpcode && (data[1] & 0x7F) == payloadLength + 2) {
    pendingReply_ = answerWrite(code, payload, payloadLength);
  } else if (opcode == kReadOpcode) {
    pendingReply_ = answerRead(code, payload, payloadLength);
  } else {
    ++rejectedFrames_;
  }
  return true;
}

Bytes VirtualMonitor::answerWrite(std::uint8_t code, const std::uint8_t* payload, std::size_t length) {
  auto refusal = refusals_.find(code);
  if (refusal != refusals_.end()) return buildReplyFrame(refusal->second, code, {});
  if (length == 0 && (code == 0x2F || code == 0x4F || code == 0x8F || code == 0xAF)) {
    applyReset(code);
    return buildReplyFrame(0, code, {});
  }
  if (code == kCustomColor && length == 7) {
    std::array<std::uint8_t, 6> v;
    std::copy(payload + 1, payload + 7, v.begin());
    if (ignored_.count(code) == 0) customColors_[payload[0]] = v;
    return buildReplyFrame(0, code, {});
  }
  auto it = values_.find(code);
  if (it == values_.end() || readOnly(code) || it->second.size() != length ||
      outsideCapabilities(code, payload, length)) {
    return buildReplyFrame(kRefused, code, {});
  }
  if (ignored_.count(code) == 0) it->second.assign(payload, payload + length);
  return buildReplyFrame(0, code, {});
}

bool VirtualMonitor::outsideCapabilities(std::uint8_t code, const std::uint8_t* payload,
                                         std::size_t length) const {
  std::optional<std::uint8_t> capsCode = capabilityCodeOf(code);
  if (!enforceCapabilities_ || !capsCode || length != 4) return false;
  auto caps = values_.find(*capsCode);
  if (caps == values_.end() || caps->second.size() != 4) return false;
  std::uint32_t choice = fromBe32(payload);
  return choice == 0 || (choice & ~fromBe32(caps->second.data())) != 0;
}

Bytes VirtualMonitor::answerRead(std::uint8_t code, const std::uint8_t* payload, std::size_t length) {
  auto refusal = refusals_.find(code);
  if (code == kCustomColor) {
    std::uint8_t type = length > 0 ? payload[0] : 0;
    auto v = customColor(type);
    std::uint8_t status = refusal != refusals_.end() ? refusal->second : 0;
    return buildReplyFrame(status, code, Bytes(v.begin(), v.end()));
  }
  auto it = values_.find(code);
  if (it == values_.end()) return buildReplyFrame(kRefused, code, {});
  std::uint8_t status = refusal != refusals_.end() ? refusal->second : 0;
  return buildReplyFrame(status, code, it->second);
}

void VirtualMonitor::applyReset(std::uint8_t reset) {
  resets_.push_back(reset);
  for (const auto& [code, value] : factory_) {
    if (!readOnly(code) && resetCovers(reset, code)) values_[code] = value;
  }
  if (resetCovers(reset, kCustomColor)) customColors_.clear();
}

bool VirtualMonitor::read(std::uint8_t* data, std::size_t length) {
  // With nothing to say the monitor sends the null message 6E 80 BE.
  Bytes reply = pendingReply_.value_or(Bytes{kMonitorSource, 0x80, 0xBE});
  if (!faults_.empty()) {
    MonitorFault fault = faults_.front();
    faults_.pop_front();
    auto fixChecksum = [&reply] {
      std::uint8_t sum = 0x50;
      for (std::size_t i = 0; i + 1 < reply.size(); ++i) sum ^= reply[i];
      reply.back() = sum;
    };
    switch (fault.kind) {
      case MonitorFault::Kind::BadChecksum:
        reply.back() ^= 0xFF;
        break;
      case MonitorFault::Kind::WrongSource:
        reply[0] = 0x6F;
        fixChecksum();
        break;
      case MonitorFault::Kind::WrongMarker:
        if (reply.size() > 2) reply[2] = 0x03;
        fixChecksum();
        break;
      case MonitorFault::Kind::WrongEcho:
        if (reply.size() > 4) reply[4] ^= 0x01;
        fixChecksum();
        break;
      case MonitorFault::Kind::Status:
        if (reply.size() > 3) reply[3] = fault.value;
        fixChecksum();
        break;
      case MonitorFault::Kind::LyingLength:
        reply[1] = 0xFF;
        break;
      case MonitorFault::Kind::Silent:
        reply = {kMonitorSource, 0x80, 0xBE};
        break;
    }
  }
  if (length > 0) {  // a read of 0 bytes has no buffer at all
    std::memset(data, 0, length);
    std::memcpy(data, reply.data(), std::min(length, reply.size()));
  }
  if (recording_) frames_.push_back({false, Bytes(data, data + length)});
  return true;
}

}  // namespace vemo::sim
