// Command frames to the monitor at I2C address 0x37 and the test a reply
// frame must pass.
#pragma once

#include <array>
#include <cstdint>

namespace vemo::command {

inline constexpr std::uint8_t kMonitorAddress = 0x37;
inline constexpr std::uint8_t kHostSource = 0x51;
inline constexpr std::uint8_t kMonitorSource = 0x6E;
inline constexpr std::uint8_t kHostAddress = 0x50;  // where replies go; only the reply checksum sees it
inline constexpr std::uint8_t kReplyMarker = 0x02;
inline constexpr std::uint8_t kWriteOpcode = 0xEA;
inline constexpr std::uint8_t kReadOpcode = 0xEB;
inline constexpr std::uint8_t kReadLengthByte = 0x82;
inline constexpr int kMaxPayload = 125;   // L + 2 must fit the 7 bits of the length byte
inline constexpr int kFrameOverhead = 5;  // source, length, opcode, code, checksum

struct Frame {
  std::array<std::uint8_t, kMaxPayload + kFrameOverhead> bytes{};
  int length = 0;
};

// Caller guarantees 0 <= payloadLength <= kMaxPayload.
Frame buildWriteFrame(std::uint8_t code, const std::uint8_t* payload, int payloadLength);
Frame buildReadFrame(std::uint8_t code, const std::uint8_t* payload, int payloadLength);

// A reply is accepted when its source, marker, echoed code and checksum are
// right. Only the `received` bytes are examined: a length byte that places the
// checksum beyond them rejects the reply.
bool replyAccepted(const std::uint8_t* reply, int received, std::uint8_t code);

}  // namespace vemo::command
