// A monitor's settings memory wears with every write: the worker keeps the
// value it last read or wrote for each setting while it holds the bridge,
// and leaves out a write of the value the monitor already holds. Released,
// the bridge may be used by another program, so what was known is forgotten.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "service/src/worker_channel.h"

namespace vemod::automation {

class WearGuard {
 public:
  using Perform = std::function<Json(const Json& request)>;

  // The reply to `request`, carried out with `perform` unless it writes a
  // known value: then {"ok": true, "value": ..., "unchanged": true} without
  // an exchange. A reply after a write sent to the monitor names the setting
  // in "wrote".
  Json carryOut(const Json& request, const Perform& perform);

  // The bridge was released (or the monitor reset): nothing is known.
  void forget() { known_.clear(); }

 private:
  std::map<std::string, Json> known_;  // setting name, or custom-color:<type>
};

}  // namespace vemod::automation
