#include "service/src/worker_messages.h"

#include <array>
#include <utility>

namespace vemod {
namespace {

constexpr std::array<std::pair<Op, const char*>, 9> kOpNames{{
    {Op::Claim, "claim"},
    {Op::Identity, "identity"},
    {Op::Get, "get"},
    {Op::Set, "set"},
    {Op::Adjust, "adjust"},
    {Op::GetAll, "getall"},
    {Op::GetColor, "getcolor"},
    {Op::SetColor, "setcolor"},
    {Op::Reset, "reset"},
}};

Json request(Op op) {
  for (const auto& [known, name] : kOpNames) {
    if (known == op) return Json{{"op", name}};
  }
  return Json::object();
}

}  // namespace

Op opOf(const Json& request) {
  auto found = request.find("op");
  if (found == request.end() || !found->is_string()) return Op::Unknown;
  for (const auto& [op, name] : kOpNames) {
    if (*found == name) return op;
  }
  return Op::Unknown;
}

std::string subjectOf(const Json& request) {
  const Op op = opOf(request);
  if (request.contains("name") && request["name"].is_string()) return request["name"];
  if (op == Op::GetColor || op == Op::SetColor) return "custom-color";
  if (op == Op::Reset) return "reset " + request.value("group", "");
  return "all settings";
}

namespace ask {

Json claim(const std::vector<std::string>& owned, const std::optional<std::string>& wanted) {
  Json message = request(Op::Claim);
  message["owned"] = owned;
  if (wanted) message["wanted"] = *wanted;
  return message;
}

Json identity() { return request(Op::Identity); }

Json get(const std::string& name) {
  Json message = request(Op::Get);
  message["name"] = name;
  return message;
}

Json set(const std::string& name, Json value) {
  Json message = request(Op::Set);
  message["name"] = name;
  message["value"] = std::move(value);
  return message;
}

Json adjust(const std::string& name, std::int32_t delta) {
  Json message = request(Op::Adjust);
  message["name"] = name;
  message["delta"] = delta;
  return message;
}

Json getAll() { return request(Op::GetAll); }

Json getColor(std::uint8_t type) {
  Json message = request(Op::GetColor);
  message["type"] = type;
  return message;
}

Json setColor(std::uint8_t type, const std::vector<std::uint8_t>& levels) {
  Json message = request(Op::SetColor);
  message["type"] = type;
  message["levels"] = levels;
  return message;
}

Json reset(const std::string& group) {
  Json message = request(Op::Reset);
  message["group"] = group;
  return message;
}

}  // namespace ask

Json success(Json value) { return Json{{"ok", true}, {"value", std::move(value)}}; }

Json failure(const std::string& kind, const std::string& message) {
  return Json{{"ok", false}, {"error", kind}, {"message", message}};
}

bool succeeded(const Json& reply) { return reply.is_object() && reply.value("ok", false); }

}  // namespace vemod
