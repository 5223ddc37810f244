#include "service/src/request_subject.h"

namespace vemod {

std::string subjectOf(const Json& request) {
  const std::string op = request.value("op", "");
  if (request.contains("name") && request["name"].is_string()) return request["name"];
  if (op == "getcolor" || op == "setcolor") return "custom-color";
  if (op == "reset") return "reset " + request.value("group", "");
  return "all settings";
}

}  // namespace vemod
