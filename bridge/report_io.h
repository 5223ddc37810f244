// One 64-byte report exchange with the selected bridge.
#pragma once

#include <array>
#include <cstdint>

namespace vemo::bridge {

inline constexpr std::size_t kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

// How long a reply may take before the bridge counts as not answering.
inline constexpr int kReplyTimeoutMs = 2000;

// Writes the whole report; false when hidapi reports an error or sent nothing.
bool sendReport(const Report& report);

// Reads one input report into `report`; false on error or when none came in
// time. Bytes the bridge did not send are zero.
bool receiveReport(Report& report);

// The handle is about to be closed: a late reply it owed no longer matters,
// and a new handle at the same address must not inherit it.
void forgetOverdueReply(const void* handle);

}  // namespace vemo::bridge
