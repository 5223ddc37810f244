// One request from the supervisor carried out on the connected monitor.
#pragma once

#include "catalogue/value_rules.h"
#include "service/src/worker_channel.h"
#include "service/src/worker_messages.h"

namespace vemod {

// The reply: {"ok": true, "value": ...} or {"ok": false, "error": kind, "message": text}.
// `choices`: what the monitor's model description calls its choices (for
// the accepted values a refusal lists).
Json perform(const Json& request, const vemo::catalogue::ModelChoices& choices);

}  // namespace vemod
