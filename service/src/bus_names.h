// The service's names on the bus: its name, objects and interfaces, and its
// errors (workers report the last part of an error's name).
#pragma once

#include <string>

namespace vemod {

inline constexpr const char* kBusName = "org.vemo.Monitors1";
inline constexpr const char* kManagerPath = "/org/vemo/Monitors1";
inline constexpr const char* kManagerInterface = "org.vemo.Monitors1.Manager";
inline constexpr const char* kMonitorInterface = "org.vemo.Monitors1.Monitor";

inline constexpr const char* kErrorPrefix = "org.vemo.Monitors1.Error.";
inline constexpr const char* kUnknownSetting = "UnknownSetting";
inline constexpr const char* kReadOnly = "ReadOnly";
inline constexpr const char* kOutOfRange = "OutOfRange";
inline constexpr const char* kCommFailure = "CommFailure";
inline constexpr const char* kBusy = "Busy";
inline constexpr const char* kNoSuchMonitor = "NoSuchMonitor";
inline constexpr const char* kGone = "Gone";
inline constexpr const char* kAmbiguous = "Ambiguous";
inline constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

inline std::string errorName(const std::string& kind) { return kErrorPrefix + kind; }

}  // namespace vemod
