// Error codes the bridge transport records for the selected bridge.
#pragma once

#include <cstdint>

namespace vemo::bridge {

inline constexpr std::uint16_t kRequestNotSent = 40001;
inline constexpr std::uint16_t kNoReply = 40002;
inline constexpr std::uint16_t kReadFailed = 41601;         // read status 3
inline constexpr std::uint16_t kWriteFailed = 41602;        // write status 3
inline constexpr std::uint16_t kWritePartlyFailed = 41603;  // write status 2
inline constexpr std::uint16_t kReadPartlyFailed = 41606;   // read status 2

// Any other status keeps only bits 4 and 5 (so 0, 16, 32 or 48).
inline std::uint16_t unknownStatusCode(std::uint8_t status) { return status & 0x30; }

}  // namespace vemo::bridge
