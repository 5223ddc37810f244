// One request from the supervisor carried out on the connected monitor.
#pragma once

#include "service/src/protocol.h"

namespace vemod {

// The reply: {"ok": true, "value": ...} or {"ok": false, "error": kind, "message": text}.
Json perform(const Json& request);

// The reply for a failed request.
Json failure(const std::string& kind, const std::string& message);

}  // namespace vemod
