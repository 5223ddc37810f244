// What the API shares with the command channel below it: the connection flag
// that gates every exchange, and the layout of a reply frame.
#pragma once

#include <cstdint>

// Set by ConnectMonitor, cleared by DisconnectMonitor. While it is false the
// channel refuses every exchange before anything reaches the bus.
extern bool bConnected;

namespace vemo::command {

// Reply frame: source, length, marker, status, echoed code, then the value.
inline constexpr int kStatusOffset = 3;
inline constexpr int kValueOffset = 5;

// A well-formed reply whose status byte says the monitor did not carry out
// the command.
inline bool refused(const std::uint8_t* reply) { return reply[kStatusOffset] != 0; }

}  // namespace vemo::command
