#include "command/frames.h"

#include <cstring>

#include "include/VemoMonitorSdk.h"

namespace vemo::command {
namespace {

Frame buildFrame(std::uint8_t lengthByte, std::uint8_t opcode, std::uint8_t code, const std::uint8_t* payload,
                 int payloadLength) {
  Frame frame;
  frame.bytes[0] = kHostSource;
  frame.bytes[1] = lengthByte;
  frame.bytes[2] = opcode;
  frame.bytes[3] = code;
  if (payloadLength > 0) std::memcpy(&frame.bytes[4], payload, payloadLength);
  frame.bytes[4 + payloadLength] = HelperCheckSum(frame.bytes.data(), 4 + payloadLength);
  frame.length = payloadLength + kFrameOverhead;
  return frame;
}

}  // namespace

Frame buildWriteFrame(std::uint8_t code, const std::uint8_t* payload, int payloadLength) {
  return buildFrame(static_cast<std::uint8_t>(0x80 | (payloadLength + 2)), kWriteOpcode, code, payload,
                    payloadLength);
}

// A read frame's length byte is 0x82 whatever the payload.
Frame buildReadFrame(std::uint8_t code, const std::uint8_t* payload, int payloadLength) {
  return buildFrame(kReadLengthByte, kReadOpcode, code, payload, payloadLength);
}

bool replyAccepted(const std::uint8_t* reply, int received, std::uint8_t code) {
  constexpr int kEchoOffset = 4;
  if (received <= kEchoOffset) return false;
  int frameLength = (reply[1] & 0x7F) + 3;
  if (frameLength > received) return false;
  return reply[0] == kMonitorSource && reply[2] == kReplyMarker && reply[kEchoOffset] == code &&
         HelperCheckSumRx(reply, frameLength) == 0;
}

}  // namespace vemo::command

// A DDC/CI checksum covers the frame's destination address, which travels as
// the I2C address byte and so is not in the buffer: a request is addressed to
// the monitor (8-bit write address 0x6E), so its sum starts there.
unsigned char HelperCheckSum(const unsigned char* frame, int count) {
  if (frame == nullptr) return 0;
  unsigned char sum = vemo::command::kMonitorSource;
  for (int i = 0; i < count; ++i) sum ^= frame[i];
  return sum;
}

// The monitor sums its reply the same way, over the reply's destination: the
// host's DDC/CI address 0x50, which is not among the bytes read either. So
// the check starts from it.
uint32_t HelperCheckSumRx(const unsigned char* reply, int length) {
  if (reply == nullptr) return 0;
  if (length < 1) return 0xFFFFFFFFu;
  unsigned char sum = vemo::command::kHostAddress;
  for (int i = 0; i < length - 1; ++i) sum ^= reply[i];
  return sum == reply[length - 1] ? 0u : 0xFFFFFFFFu;
}
