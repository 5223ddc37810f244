#include "service/src/automation/wear_guard.h"

#include "service/src/worker_messages.h"

namespace vemod::automation {
namespace {

std::string colorKey(const Json& request) {
  return "custom-color:" + std::to_string(request.value("type", 0));
}

}  // namespace

Json WearGuard::carryOut(const Json& request, const Perform& perform) {
  const Op op = opOf(request);
  std::string key;
  Json wanted;
  if (op == Op::Set || op == Op::Get || op == Op::Adjust) key = request.value("name", "");
  if (op == Op::SetColor || op == Op::GetColor) key = colorKey(request);
  if (op == Op::Set) wanted = request.value("value", Json());
  if (op == Op::SetColor) wanted = request.value("levels", Json());

  bool writes = op == Op::Set || op == Op::SetColor;
  if (writes) {
    auto found = known_.find(key);
    if (found != known_.end() && found->second == wanted) {
      Json value = op == Op::Set ? wanted : Json{{"type", request.value("type", 0)}, {"levels", wanted}};
      Json reply = success(value);
      reply["unchanged"] = true;
      return reply;
    }
  }

  Json reply = perform(request);
  bool ok = succeeded(reply);
  if (op == Op::Reset) {
    forget();
  } else if (op == Op::GetAll && ok) {
    for (const auto& [name, value] : reply["value"].items()) known_[name] = value;
  } else if (!key.empty()) {
    if (!ok) {
      known_.erase(key);  // a failed write may or may not have reached the monitor
    } else if (op == Op::GetColor) {
      known_[key] = reply["value"];
    } else if (op == Op::SetColor) {
      known_[key] = wanted;
    } else {
      known_[key] = reply["value"];
    }
  }
  if (op == Op::Adjust && ok && reply.value("unchanged", false)) return reply;
  bool sent = writes ? ok || reply.value("error", "") != "OutOfRange" : op == Op::Adjust && ok;
  if (sent) {
    reply["wrote"] = op == Op::SetColor ? std::string("custom-color") : key;
  }
  return reply;
}

}  // namespace vemod::automation
