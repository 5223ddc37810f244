// The service's error names on the bus; workers report the last part.
#pragma once

#include <string>

namespace vemod {

inline constexpr const char* kErrorPrefix = "org.vemo.Monitors1.Error.";
inline constexpr const char* kUnknownSetting = "UnknownSetting";
inline constexpr const char* kReadOnly = "ReadOnly";
inline constexpr const char* kOutOfRange = "OutOfRange";
inline constexpr const char* kCommFailure = "CommFailure";
inline constexpr const char* kBusy = "Busy";
inline constexpr const char* kNoSuchMonitor = "NoSuchMonitor";
inline constexpr const char* kGone = "Gone";
inline constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

inline std::string errorName(const std::string& kind) { return kErrorPrefix + kind; }

}  // namespace vemod
