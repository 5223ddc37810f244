// What a request to a worker is about, for the messages of its errors.
#pragma once

#include <string>

#include "service/src/protocol.h"

namespace vemod {

// The setting's name, "custom-color", "reset GROUP" or "all settings".
std::string subjectOf(const Json& request);

}  // namespace vemod
