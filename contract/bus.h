// vemod's names on the session bus, for the service and its clients alike:
// the bus name, the objects, the interfaces and the errors. The interface
// itself is described in service/org.vemo.Monitors1.xml.
#pragma once

#include <string>

namespace vemo::bus {

inline constexpr const char* kBusName = "org.vemo.Monitors1";
inline constexpr const char* kManagerPath = "/org/vemo/Monitors1";
// Each monitor's object: this prefix, then its Id with every byte outside
// [A-Za-z0-9] written as _xx.
inline constexpr const char* kMonitorPathPrefix = "/org/vemo/Monitors1/monitor/";
inline constexpr const char* kManagerInterface = "org.vemo.Monitors1.Manager";
inline constexpr const char* kMonitorInterface = "org.vemo.Monitors1.Monitor";

// The service's errors are this prefix and a kind; workers report the kind.
inline constexpr const char* kErrorPrefix = "org.vemo.Monitors1.Error.";
inline constexpr const char* kUnknownSetting = "UnknownSetting";
inline constexpr const char* kReadOnly = "ReadOnly";
inline constexpr const char* kOutOfRange = "OutOfRange";
inline constexpr const char* kCommFailure = "CommFailure";
inline constexpr const char* kBusy = "Busy";
inline constexpr const char* kNoSuchMonitor = "NoSuchMonitor";
inline constexpr const char* kGone = "Gone";
inline constexpr const char* kAmbiguous = "Ambiguous";
inline constexpr const char* kErrorKinds[] = {kUnknownSetting, kReadOnly,      kOutOfRange, kCommFailure,
                                              kBusy,           kNoSuchMonitor, kGone,       kAmbiguous};
// Arguments of the wrong D-Bus type are the bus's own error.
inline constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

inline std::string errorName(const std::string& kind) { return kErrorPrefix + kind; }

}  // namespace vemo::bus
