#include "service/src/worker/operations.h"

#include "catalogue/operations.h"
#include "contract/bus.h"
#include "include/VemoMonitorSdk.h"

namespace vemod {

namespace bus = vemo::bus;

namespace {

namespace catalogue = vemo::catalogue;
using catalogue::Kind;
using catalogue::Setting;
using catalogue::Value;

Json fromStatus(int status, const std::string& what) {
  if (status == STATUS_OUT_OF_RANGE) {
    const Setting* setting = catalogue::findSetting(what);
    return failure(bus::kOutOfRange,
                   what + ": the value is out of range; accepted values: " +
                       (setting ? catalogue::acceptedValues(*setting) : std::string("see DescribeSettings")));
  }
  return failure(bus::kCommFailure, what + ": the monitor refused the request or did not answer");
}

Json fromError(const catalogue::ValueError& error) {
  switch (error.problem()) {
    case catalogue::Problem::OutOfRange:
      return failure(bus::kOutOfRange, error.what());
    case catalogue::Problem::ReadOnly:
      return failure(bus::kReadOnly, error.what());
    case catalogue::Problem::Malformed:
      break;
  }
  return failure(bus::kUnknownSetting, error.what());
}

// The live value in the form the supervisor expects for the setting's kind:
// a number, or a text record as stored.
Json wireForm(const Setting& setting, const Value& value) {
  if (setting.kind == Kind::Text) return catalogue::storedText(value.text);
  return value.number;
}

// A value the supervisor checked, checked again by the same rules.
Value valueOf(const Setting& setting, const Json& value) {
  if (setting.kind == Kind::Text) return catalogue::textValue(setting, value.get<std::string>());
  return catalogue::numberValue(setting, value.get<long long>());
}

Json get(const Setting& setting) {
  Value value;
  if (int status = catalogue::readValue(setting, value); status != STATUS_OK)
    return fromStatus(status, setting.name);
  return success(wireForm(setting, value));
}

Json set(const Setting& setting, const Json& value, const catalogue::ModelChoices& choices) {
  auto names = choices.find(setting.name);
  if (int status = catalogue::writeValue(setting, valueOf(setting, value),
                                         names == choices.end() ? nullptr : &names->second);
      status != STATUS_OK) {
    return fromStatus(status, setting.name);
  }
  return success(value);
}

Json adjust(const Setting& setting, long delta) {
  std::uint8_t target = 0;
  bool unchanged = false;
  if (int status = catalogue::adjustValue(setting, delta, target, &unchanged); status != STATUS_OK) {
    return fromStatus(status, setting.name);
  }
  if (unchanged) {
    Json reply = success(target);
    reply["unchanged"] = true;  // nothing to write: the monitor holds the value
    return reply;
  }
  return success(target);
}

Json getAll() {
  Json values = Json::object();
  for (const Setting& setting : catalogue::catalogue()) {
    if (setting.kind == Kind::CustomColor) continue;
    Value value;
    if (int status = catalogue::readValue(setting, value); status != STATUS_OK)
      return fromStatus(status, setting.name);
    values[setting.name] = wireForm(setting, value);
  }
  return success(values);
}

Json getColor(std::uint8_t type) {
  catalogue::ColorLevels levels{};
  if (int status = catalogue::readCustomColor(type, levels); status != STATUS_OK) {
    return fromStatus(status, "custom-color");
  }
  return success(levels);
}

Json setColor(std::uint8_t type, const std::vector<long long>& levels) {
  Value value;
  value.colors.push_back(catalogue::customColorValue(type, levels));
  if (int status = catalogue::writeValue(*catalogue::findSetting("custom-color"), value);
      status != STATUS_OK) {
    return fromStatus(status, "custom-color");
  }
  return success(Json{{"type", type}, {"levels", value.colors.front().levels}});
}

Json reset(const std::string& group) {
  if (int status = catalogue::resetGroup(group); status != STATUS_OK)
    return fromStatus(status, "reset " + group);
  return success(group);
}

}  // namespace

Json perform(const Json& request, const catalogue::ModelChoices& choices) {
  try {
    const Op op = opOf(request);
    if (op == Op::GetAll) return getAll();
    if (op == Op::GetColor) return getColor(request.at("type").get<std::uint8_t>());
    if (op == Op::SetColor) {
      return setColor(request.at("type").get<std::uint8_t>(),
                      request.at("levels").get<std::vector<long long>>());
    }
    if (op == Op::Reset) return reset(request.at("group"));
    const Setting* setting = catalogue::findSetting(request.at("name").get<std::string>());
    if (setting == nullptr)
      return failure(bus::kUnknownSetting, request.at("name").get<std::string>() + ": unknown setting");
    if (op == Op::Get) return get(*setting);
    if (op == Op::Set) return set(*setting, request.at("value"), choices);
    if (op == Op::Adjust) return adjust(*setting, request.at("delta").get<long>());
    return failure(bus::kCommFailure, "unknown request " + request.at("op").get<std::string>());
  } catch (const catalogue::ValueError& e) {
    return fromError(e);
  } catch (const Json::exception& e) {
    return failure(bus::kCommFailure, std::string("malformed request: ") + e.what());
  }
}

}  // namespace vemod
