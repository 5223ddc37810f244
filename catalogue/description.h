// The catalogue described for clients that build their controls from it
// (`vemoctl settings --json`, the session service, the generated bindings):
// every rule a client needs, so that none restates one.
#pragma once

#include "catalogue/value_rules.h"

namespace vemo::catalogue {

// "byte", "mask", "text", "hours" or "custom-color".
const char* kindName(Kind kind);

// {"name", "kind", "writable"} and, by kind:
//   byte: "min", "max", "step", and "enumeration": true for values that
//         stand for things (a language, an input) rather than amounts;
//   mask: "choices" (0 for a capability) and "capabilities", the setting
//         whose bits say which choices the monitor offers;
//   text: "max_bytes";
//   custom-color: "types", "levels" (their names), "max_level" and
//         "checked_levels" (per type, how many levels, from the first, must
//         be 0 to max_level; the others take any byte).
Json describeSetting(const Setting& setting);

// {"settings": [describeSetting(...) for every setting], "reset_groups": [...]}.
Json describeSettings();

}  // namespace vemo::catalogue
