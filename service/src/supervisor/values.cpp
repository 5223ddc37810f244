#include "service/src/supervisor/values.h"

#include <optional>

#include "catalogue/description.h"
#include "catalogue/values.h"
#include "service/src/bus_names.h"

namespace vemod {
namespace {

using vemoctl::Kind;
using vemoctl::Setting;
namespace s = vemo::settings;

// Any D-Bus integer as a signed 128-bit-safe pair: nothing for other types.
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

std::string shown(long double number) {
  return number < 0 ? std::to_string(static_cast<long long>(number))
                    : std::to_string(static_cast<unsigned long long>(number));
}

[[noreturn]] void outOfRange(const Setting& setting, const std::string& given) {
  throw serviceError(kOutOfRange,
                     std::string(setting.name) + ": " + given +
                         " is out of range; accepted values: " + vemoctl::acceptedValues(setting));
}

Json textValue(const Setting& setting, const sdbus::Variant& value) {
  if (value.peekValueType() != "s") {
    throw sdbus::Error(kInvalidArgs, std::string(setting.name) + ": the value must be a string (s)");
  }
  std::string text = value.get<std::string>();
  std::string bytes;
  if (!vemoctl::unescapeRecord(text, bytes) || bytes.find('\0') != std::string::npos) {
    outOfRange(setting, "'" + text + "' (a broken escape or a NUL byte)");
  }
  if (bytes.size() > setting.textLength) {
    outOfRange(setting, "'" + text + "' (" + std::to_string(bytes.size()) + " bytes)");
  }
  return text;
}

}  // namespace

sdbus::Error serviceError(const std::string& kind, const std::string& message) {
  return sdbus::Error(errorName(kind), message);
}

const Setting& settingFor(const std::string& name) {
  const Setting* setting = vemoctl::findSetting(name);
  if (setting == nullptr) throw serviceError(kUnknownSetting, name + ": unknown setting");
  return *setting;
}

Json writeValue(const Setting& setting, const sdbus::Variant& value) {
  if (!setting.writable()) throw serviceError(kReadOnly, std::string(setting.name) + " is read-only");
  if (setting.kind == Kind::Text) return textValue(setting, value);
  if (setting.kind == Kind::CustomColor) {
    throw serviceError(kUnknownSetting, std::string(setting.name) + " is written with SetCustomColor");
  }
  std::optional<long double> number = integerOf(value);
  if (!number) {
    throw sdbus::Error(kInvalidArgs, std::string(setting.name) +
                                         ": the value must be a D-Bus integer, not '" +
                                         value.peekValueType() + "'");
  }
  if (*number < 0 || *number > 0xFFFFFFFFL) outOfRange(setting, shown(*number));
  auto wanted = static_cast<std::uint32_t>(*number);
  bool accepted =
      setting.kind == Kind::Byte
          ? wanted <= 0xFF && setting.byteInfo->accepted.accepts(static_cast<std::uint8_t>(wanted))
          : setting.maskInfo->accepts(wanted);
  if (!accepted) outOfRange(setting, shown(*number));
  return wanted;
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
  const std::string accepted = vemoctl::acceptedValues(*vemoctl::findSetting("custom-color"));
  if (type > s::kMaxCustomColorType) {
    throw serviceError(kOutOfRange, "custom-color: type " + std::to_string(type) +
                                        " is out of range; accepted values: " + accepted);
  }
  if (levels == nullptr) return;
  if (levels->size() != 6) {
    throw sdbus::Error(kInvalidArgs,
                       "custom-color: six levels are needed (red, green, blue, cyan, magenta, yellow)");
  }
  // Cyan, magenta and yellow count only for types 2 and 3; the monitor ignores them otherwise.
  std::size_t checked = type >= 2 ? 6 : 3;
  for (std::size_t i = 0; i < checked; ++i) {
    if (std::uint8_t level = (*levels)[i]; level > s::kMaxColorLevel) {
      throw serviceError(kOutOfRange, "custom-color: level " + std::to_string(level) +
                                          " is out of range; accepted values: " + accepted);
    }
  }
}

std::vector<std::map<std::string, sdbus::Variant>> describeSettings() {
  std::vector<std::map<std::string, sdbus::Variant>> settings;
  for (const Setting& setting : vemoctl::catalogue()) {
    std::map<std::string, sdbus::Variant> entry;
    const vemoctl::Json description = vemoctl::describeSetting(setting);
    for (auto field = description.begin(); field != description.end(); ++field) {
      const std::string& key = field.key();
      const vemoctl::Json& value = field.value();
      if (value.is_string()) {
        entry[key] = sdbus::Variant(value.get<std::string>());
      } else if (value.is_boolean()) {
        entry[key] = sdbus::Variant(value.get<bool>());
      } else if (key == "max_bytes") {
        entry[key] = sdbus::Variant(value.get<std::uint16_t>());
      } else {
        entry[key] = sdbus::Variant(value.get<std::uint8_t>());  // min, max, step, choices
      }
    }
    settings.push_back(std::move(entry));
  }
  return settings;
}

}  // namespace vemod
