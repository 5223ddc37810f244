#include "service/src/supervisor/bus_values.h"

#include <optional>

#include "catalogue/description.h"
#include "catalogue/value_rules.h"
#include "contract/bus.h"

namespace vemod {

namespace bus = vemo::bus;

namespace {

using catalogue::Kind;
using catalogue::Setting;

// Any D-Bus integer, widened; nothing for other types.
std::optional<long double> integerOf(const sdbus::Variant& value) {
  const std::string type = value.peekValueType();
  if (type == "y") return value.get<std::uint8_t>();
  if (type == "n") return value.get<std::int16_t>();
  if (type == "q") return value.get<std::uint16_t>();
  if (type == "i") return value.get<std::int32_t>();
  if (type == "u") return value.get<std::uint32_t>();
  if (type == "x") return static_cast<long double>(value.get<std::int64_t>());
  if (type == "t") return static_cast<long double>(value.get<std::uint64_t>());
  return std::nullopt;
}

// Runs a check of the catalogue; its refusal as the service's error.
template <typename Check>
auto checked(Check check) -> decltype(check()) {
  try {
    return check();
  } catch (const catalogue::ValueError& e) {
    switch (e.problem()) {
      case catalogue::Problem::OutOfRange:
        throw serviceError(bus::kOutOfRange, e.what());
      case catalogue::Problem::ReadOnly:
        throw serviceError(bus::kReadOnly, e.what());
      case catalogue::Problem::Malformed:
        break;
    }
    throw sdbus::Error(bus::kInvalidArgs, e.what());
  }
}

sdbus::Variant variantOf(const catalogue::Json& value) {
  if (value.is_string()) return sdbus::Variant(value.get<std::string>());
  if (value.is_boolean()) return sdbus::Variant(value.get<bool>());
  if (value.is_array()) {
    if (!value.empty() && value.front().is_string())
      return sdbus::Variant(value.get<std::vector<std::string>>());
    return sdbus::Variant(value.get<std::vector<std::uint8_t>>());
  }
  if (value.get<unsigned long>() > 0xFF) return sdbus::Variant(value.get<std::uint16_t>());
  return sdbus::Variant(value.get<std::uint8_t>());
}

}  // namespace

sdbus::Error serviceError(const std::string& kind, const std::string& message) {
  return sdbus::Error(bus::errorName(kind), message);
}

const Setting& settingFor(const std::string& name) {
  const Setting* setting = catalogue::findSetting(name);
  if (setting == nullptr) throw serviceError(bus::kUnknownSetting, name + ": unknown setting");
  return *setting;
}

Json writeValue(const Setting& setting, const sdbus::Variant& value, const catalogue::ChoiceNames* names) {
  if (!setting.writable()) throw serviceError(bus::kReadOnly, std::string(setting.name) + " is read-only");
  if (setting.kind == Kind::CustomColor) {
    throw serviceError(bus::kUnknownSetting, std::string(setting.name) + " is written with SetCustomColor");
  }
  if (setting.kind == Kind::Text) {
    if (value.peekValueType() != "s") {
      throw sdbus::Error(bus::kInvalidArgs, std::string(setting.name) + ": the value must be a string (s)");
    }
    std::string text = value.get<std::string>();
    checked([&] { return catalogue::textValue(setting, text); });
    return text;
  }
  if (value.peekValueType() == "s" && names != nullptr) {
    std::string name = value.get<std::string>();
    return checked([&] { return catalogue::parseValue(setting, name, names); }).number;
  }
  std::optional<long double> number = integerOf(value);
  if (!number) {
    throw sdbus::Error(bus::kInvalidArgs, std::string(setting.name) + ": the value must be a D-Bus integer" +
                                              (names != nullptr ? " or a choice name" : "") + ", not '" +
                                              value.peekValueType() + "'");
  }
  // Beyond what a long long holds is out of range all the same.
  long long wanted = *number < -1              ? -1
                     : *number > 0xFFFFFFFFFll ? 0xFFFFFFFFFll
                                               : static_cast<long long>(*number);
  return checked([&] { return catalogue::numberValue(setting, wanted); }).number;
}

sdbus::Variant toVariant(const Setting& setting, const Json& value) {
  switch (setting.kind) {
    case Kind::Byte:
      return sdbus::Variant(value.get<std::uint8_t>());
    case Kind::Mask:
      return sdbus::Variant(value.get<std::uint32_t>());
    case Kind::Hours:
      return sdbus::Variant(value.get<std::uint16_t>());
    default:
      return sdbus::Variant(value.get<std::string>());
  }
}

void checkCustomColor(unsigned char type, const std::vector<std::uint8_t>* levels) {
  if (levels != nullptr && levels->size() != catalogue::kColorLevelNames.size()) {
    throw sdbus::Error(bus::kInvalidArgs,
                       "custom-color: six levels are needed (red, green, blue, cyan, magenta, yellow)");
  }
  std::vector<long long> wide(catalogue::kColorLevelNames.size(), 0);
  if (levels != nullptr) std::copy(levels->begin(), levels->end(), wide.begin());
  checked([&] { return catalogue::customColorValue(type, wide); });
}

std::vector<std::map<std::string, sdbus::Variant>> describeSettings() {
  std::vector<std::map<std::string, sdbus::Variant>> settings;
  for (const Setting& setting : catalogue::catalogue()) {
    std::map<std::string, sdbus::Variant> entry;
    const catalogue::Json description = catalogue::describeSetting(setting);
    for (auto field = description.begin(); field != description.end(); ++field) {
      // max_bytes is a q as before; other numbers fit a byte.
      entry[field.key()] = field.key() == "max_bytes" ? sdbus::Variant(field.value().get<std::uint16_t>())
                                                      : variantOf(field.value());
    }
    settings.push_back(std::move(entry));
  }
  return settings;
}

}  // namespace vemod
