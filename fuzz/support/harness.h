// What every harness shares: the library and the device model returned to
// their initial state before each input, a scratch working directory for the
// log file, and a clock whose sleeps are only counted.
#pragma once

#include <cstdint>
#include <string>

#include "sim/virtual_hid_bus.h"

namespace vemo::fuzz {

enum class LogSink {
  Discard,  // the log file is a link to /dev/null
  File,     // a real file, removed before every input
};

// Once per process: a scratch directory as the working directory, standard
// output silenced (EnableISP_Demo prints), and the log file set up.
void prepareProcess(LogSink sink);

// Before every input: disconnected, no bridge selected, log off and closed,
// empty error registry, empty virtual HID bus, clock at zero.
void resetLibrary();

// A standard bridge (monitor at 0x37, scaler at 0x4A) on the virtual bus.
sim::StandardBridge plugStandardBridge();

// Microseconds the library has asked usleep for since the last reset.
std::uint64_t sleptMicroseconds();
void resetClock();

// Stops the process so that libFuzzer keeps the input that broke a rule the
// sanitizers cannot see.
[[noreturn]] void violated(const char* rule);

}  // namespace vemo::fuzz
