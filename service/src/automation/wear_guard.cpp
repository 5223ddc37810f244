#include "service/src/automation/wear_guard.h"

namespace vemod::automation {
namespace {

std::string colorKey(const Json& request) {
  return "custom-color:" + std::to_string(request.value("type", 0));
}

}  // namespace

Json WearGuard::carryOut(const Json& request, const Perform& perform) {
  const std::string op = request.value("op", "");
  std::string key;
  Json wanted;
  if (op == "set" || op == "get" || op == "adjust") key = request.value("name", "");
  if (op == "setcolor" || op == "getcolor") key = colorKey(request);
  if (op == "set") wanted = request.value("value", Json());
  if (op == "setcolor") wanted = request.value("levels", Json());

  bool writes = op == "set" || op == "setcolor";
  if (writes) {
    auto found = known_.find(key);
    if (found != known_.end() && found->second == wanted) {
      Json value = op == "set" ? wanted : Json{{"type", request.value("type", 0)}, {"levels", wanted}};
      return Json{{"ok", true}, {"value", value}, {"unchanged", true}};
    }
  }

  Json reply = perform(request);
  bool ok = reply.value("ok", false);
  if (op == "reset") {
    forget();
  } else if (op == "getall" && ok) {
    for (const auto& [name, value] : reply["value"].items()) known_[name] = value;
  } else if (!key.empty()) {
    if (!ok) {
      known_.erase(key);  // a failed write may or may not have reached the monitor
    } else if (op == "getcolor") {
      known_[key] = reply["value"];
    } else if (op == "setcolor") {
      known_[key] = wanted;
    } else {
      known_[key] = reply["value"];
    }
  }
  if (op == "adjust" && ok && reply.value("unchanged", false)) return reply;
  bool sent = writes ? ok || reply.value("error", "") != "OutOfRange" : op == "adjust" && ok;
  if (sent) {
    reply["wrote"] = op == "setcolor" ? std::string("custom-color") : key;
  }
  return reply;
}

}  // namespace vemod::automation
