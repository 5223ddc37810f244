// A setting's value between the forms vemoctl prints and takes and the
// catalogue's values that travel to the monitor.
#pragma once

#include <string>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

// A value read, with its text and JSON forms.
Readout readoutOf(const Setting& setting, const Value& value);

// The value `text` stands for: throws ToolError unless the setting accepts
// it (kUsage for a read-only setting or a malformed value, kOutOfRange with
// the accepted values). Nothing needs the monitor for this.
// A choice name counts where `names` gives it.
Value checkedValue(const Setting& setting, const std::string& text, const ChoiceNames* names = nullptr);

// True when `text` may be a choice name of the setting rather than a value
// of its own form: the monitor's names must be known to read it.
bool mayBeChoiceName(const Setting& setting, const std::string& text);

// The line of a reading that holds what `value` sets: custom colours are
// read for every type.
std::string heldLine(const Setting& setting, const Value& value, const Readout& readout);

}  // namespace vemoctl
