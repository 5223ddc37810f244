// What the supervisor asks a worker and how the worker answers. Each message
// is one JSON object on the worker channel; they are built and told apart
// here only, so both sides agree on every request and its fields:
//
//   claim      {"owned": [usb serial...], "wanted": usb serial?}  -> identity
//   identity   {}                                                 -> identity
//   get        {"name"}                      set       {"name", "value"}
//   adjust     {"name", "delta"}             getall    {}
//   getcolor   {"type"}                      setcolor  {"type", "levels"}
//   reset      {"group"}
//
// Every request carries "op" and, once queued, the supervisor's "id", which
// its reply repeats. A reply is {"ok": true, "value"?} or {"ok": false,
// "error": kind, "message"}; a worker's guard may add "unchanged" and
// "wrote", and "identity" after it claimed the bridge again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/src/worker_channel.h"

namespace vemod {

enum class Op { Claim, Identity, Get, Set, Adjust, GetAll, GetColor, SetColor, Reset, Unknown };

// The request's kind; Unknown when it names none.
Op opOf(const Json& request);

// What a request is about, for the messages of its errors: the setting's
// name, "custom-color", "reset GROUP" or "all settings".
std::string subjectOf(const Json& request);

// The requests, ready to send.
namespace ask {
Json claim(const std::vector<std::string>& owned, const std::optional<std::string>& wanted);
Json identity();
Json get(const std::string& name);
Json set(const std::string& name, Json value);
Json adjust(const std::string& name, std::int32_t delta);
Json getAll();
Json getColor(std::uint8_t type);
Json setColor(std::uint8_t type, const std::vector<std::uint8_t>& levels);
Json reset(const std::string& group);
}  // namespace ask

// The replies.
Json success(Json value = nullptr);
Json failure(const std::string& kind, const std::string& message);
bool succeeded(const Json& reply);

}  // namespace vemod
