#include "service/src/worker/operations.h"

#include <array>
#include <cstdlib>

#include "catalogue/byte_steps.h"
#include "catalogue/catalogue.h"
#include "catalogue/values.h"
#include "include/VemoMonitorSdk.h"
#include "service/src/bus_names.h"

namespace vemod {
namespace {

using vemoctl::Kind;
using vemoctl::Setting;

Json success(Json value = nullptr) { return Json{{"ok", true}, {"value", std::move(value)}}; }

Json fromStatus(int status, const std::string& what) {
  if (status == STATUS_OUT_OF_RANGE) {
    const Setting* setting = vemoctl::findSetting(what);
    return failure(kOutOfRange,
                   what + ": the value is out of range; accepted values: " +
                       (setting ? vemoctl::acceptedValues(*setting) : std::string("see DescribeSettings")));
  }
  return failure(kCommFailure, what + ": the monitor refused the request or did not answer");
}

// The live value in the form the supervisor expects for the setting's kind.
Json read(const Setting& setting, int& status) {
  switch (setting.kind) {
    case Kind::Byte: {
      unsigned char value = 0;
      status = setting.getByte(&value);
      return value;
    }
    case Kind::Mask: {
      std::uint32_t value = 0;
      status = setting.getMask(&value);
      return value;
    }
    case Kind::Hours: {
      short hours = 0;
      status = GetBacklightHours(&hours);
      return static_cast<unsigned short>(hours);
    }
    case Kind::Text: {
      std::vector<unsigned char> record(setting.textLength, 0);
      status = setting.getText(record.data());
      return vemoctl::escapeRecord(record.data(), record.size());
    }
    case Kind::CustomColor:
      break;
  }
  status = STATUS_COMM_FAILURE;
  return nullptr;
}

int write(const Setting& setting, const Json& value) {
  switch (setting.kind) {
    case Kind::Byte:
      return setting.setByte(value.get<unsigned char>());
    case Kind::Mask:
      return setting.setMask(value.get<std::uint32_t>());
    case Kind::Text: {
      std::string bytes;
      if (!vemoctl::unescapeRecord(value.get<std::string>(), bytes)) return STATUS_OUT_OF_RANGE;
      if (bytes.size() > setting.textLength) return STATUS_OUT_OF_RANGE;
      std::vector<char> record(setting.textLength + 1, '\0');
      std::copy(bytes.begin(), bytes.end(), record.begin());
      return setting.setText(record.data());
    }
    default:
      return STATUS_OUT_OF_RANGE;
  }
}

Json get(const Setting& setting) {
  int status = STATUS_OK;
  Json value = read(setting, status);
  if (status != STATUS_OK) return fromStatus(status, setting.name);
  return success(value);
}

Json set(const Setting& setting, const Json& value) {
  int status = write(setting, value);
  if (status != STATUS_OK) return fromStatus(status, setting.name);
  return success(value);
}

Json adjust(const Setting& setting, long delta) {
  unsigned char current = 0;
  int status = setting.getByte(&current);
  if (status != STATUS_OK) return fromStatus(status, setting.name);
  unsigned char target = vemoctl::onStep(setting.byteInfo->accepted, long{current} + delta, delta);
  if (target == current) {
    Json reply = success(target);
    reply["unchanged"] = true;  // nothing to write: the monitor holds the value
    return reply;
  }
  status = setting.setByte(target);
  if (status != STATUS_OK) return fromStatus(status, setting.name);
  return success(target);
}

Json getAll() {
  Json values = Json::object();
  for (const Setting& setting : vemoctl::catalogue()) {
    if (setting.kind == Kind::CustomColor) continue;
    int status = STATUS_OK;
    Json value = read(setting, status);
    if (status != STATUS_OK) return fromStatus(status, setting.name);
    values[setting.name] = value;
  }
  return success(values);
}

Json getColor(unsigned char type) {
  std::array<unsigned char, 6> v{};
  int status = GetCustomColor(type, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
  if (status != STATUS_OK) return fromStatus(status, "custom-color");
  return success(v);
}

Json setColor(unsigned char type, const std::array<unsigned char, 6>& v) {
  int status = SetCustomColor(type, v[0], v[1], v[2], v[3], v[4], v[5]);
  if (status != STATUS_OK) return fromStatus(status, "custom-color");
  return success(Json{{"type", type}, {"levels", v}});
}

Json reset(const std::string& group) {
  int (*call)() = group == "power"   ? ResetPower
                  : group == "color" ? ResetColor
                  : group == "osd"   ? ResetOSD
                                     : FactoryReset;
  int status = call();
  if (status != STATUS_OK) return fromStatus(status, "reset " + group);
  return success(group);
}

}  // namespace

Json failure(const std::string& kind, const std::string& message) {
  return Json{{"ok", false}, {"error", kind}, {"message", message}};
}

Json perform(const Json& request) {
  try {
    const std::string op = request.at("op");
    if (op == "getall") return getAll();
    if (op == "getcolor") return getColor(request.at("type").get<unsigned char>());
    if (op == "setcolor") {
      return setColor(request.at("type").get<unsigned char>(),
                      request.at("levels").get<std::array<unsigned char, 6>>());
    }
    if (op == "reset") return reset(request.at("group"));
    const Setting* setting = vemoctl::findSetting(request.at("name").get<std::string>());
    if (setting == nullptr)
      return failure(kUnknownSetting, request.at("name").get<std::string>() + ": unknown setting");
    if (op == "get") return get(*setting);
    if (op == "set") return set(*setting, request.at("value"));
    if (op == "adjust") return adjust(*setting, request.at("delta").get<long>());
    return failure(kCommFailure, "unknown request " + op);
  } catch (const Json::exception& e) {
    return failure(kCommFailure, std::string("malformed request: ") + e.what());
  }
}

}  // namespace vemod
