// The catalogue described for clients that build their controls from it
// (`vemoctl settings --json`, the session service, the generated bindings):
// one object per setting, in catalogue order.
#pragma once

#include "catalogue/values.h"

namespace vemoctl {

// "byte", "mask", "text", "hours" or "custom-color".
const char* kindName(Kind kind);

// {"name", "kind", "writable"} and, by kind: byte "min", "max", "step";
// mask "choices" (0 for a capability); text "max_bytes".
Json describeSetting(const Setting& setting);

// {"settings": [describeSetting(...) for every setting]}.
Json describeSettings();

}  // namespace vemoctl
