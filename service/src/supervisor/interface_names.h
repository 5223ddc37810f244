// The service's names on the bus.
#pragma once

namespace vemod {

inline constexpr const char* kBusName = "org.vemo.Monitors1";
inline constexpr const char* kManagerPath = "/org/vemo/Monitors1";
inline constexpr const char* kManagerInterface = "org.vemo.Monitors1.Manager";
inline constexpr const char* kMonitorInterface = "org.vemo.Monitors1.Monitor";

}  // namespace vemod
