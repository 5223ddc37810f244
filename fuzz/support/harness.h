// What every harness adds to the support kit of tests/support: the process
// set up once (scratch directory, silenced output, the log file's kind) and
// the library, the device model and the virtual clock reset before each
// input.
#pragma once

#include <cstdint>
#include <string>

#include "sim/virtual_hid_bus.h"
#include "tests/support/virtual_clock.h"

namespace vemo::fuzz {

enum class LogSink {
  Discard,  // the log file is a link to /dev/null
  File,     // a real file, removed before every input
};

// Once per process: a scratch directory as the working directory, standard
// output silenced (EnableISP_Demo prints), the log file set up, and the
// virtual clock counting only.
void prepareProcess(LogSink sink);

// Before every input: disconnected, no bridge selected, log off and closed,
// empty error registry, empty virtual HID bus, clock at zero.
void resetLibrary();

// A standard bridge (monitor at 0x37, scaler at 0x4A) on the virtual bus.
sim::StandardBridge plugStandardBridge();

// Stops the process so that libFuzzer keeps the input that broke a rule the
// sanitizers cannot see.
[[noreturn]] void violated(const char* rule);

}  // namespace vemo::fuzz
