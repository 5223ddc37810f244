#include "tools/vemoctl/value_forms.h"

#include <sstream>

namespace vemoctl {
namespace {

namespace s = vemo::settings;

constexpr std::array<const char*, 6> kLevelNames = {"red", "green", "blue", "cyan", "magenta", "yellow"};

[[noreturn]] void outOfRange(const Setting& setting, const std::string& text) {
  throw ToolError(kOutOfRange, std::string(setting.name) + ": " + text +
                                   " is out of range; accepted values: " + acceptedValues(setting));
}

std::vector<std::string> fieldsOf(const std::string& text) {
  std::vector<std::string> fields;
  auto colon = text.find(':');
  if (colon == std::string::npos) return fields;
  fields.push_back(text.substr(0, colon));
  std::stringstream levels(text.substr(colon + 1));
  for (std::string field; std::getline(levels, field, ',');) fields.push_back(field);
  return fields;
}

}  // namespace

Readout readoutOfNumber(const Setting& setting, std::uint32_t number) {
  Readout out;
  if (setting.kind == Kind::Mask) {
    out.lines.push_back(hex32(number));
    out.json = hex32(number);
  } else {
    out.lines.push_back(std::to_string(number));
    out.json = number;
  }
  return out;
}

Readout readoutOfText(const std::string& escaped) {
  Readout out;
  out.lines.push_back(escaped);
  out.json = escaped;
  return out;
}

Readout readoutOfColors(const std::vector<ColorLevels>& byType) {
  Readout out;
  out.json = Json::array();
  for (std::size_t type = 0; type < byType.size(); ++type) {
    std::string line = std::to_string(type) + ":";
    Json json{{"type", type}};
    for (std::size_t i = 0; i < kLevelNames.size(); ++i) {
      line += (i > 0 ? "," : "") + std::to_string(byType[type][i]);
      json[kLevelNames[i]] = byType[type][i];
    }
    out.lines.push_back(line);
    out.json.push_back(json);
  }
  return out;
}

void checkValue(const Setting& setting, const std::string& text) {
  parseValue(setting, text);  // the form, and what the setter's argument can hold
  switch (setting.kind) {
    case Kind::Byte:
      if (!setting.byteInfo->accepted.accepts(static_cast<std::uint8_t>(numberOf(setting, text)))) {
        outOfRange(setting, text);
      }
      break;
    case Kind::Mask:
      if (!setting.maskInfo->accepts(numberOf(setting, text))) outOfRange(setting, text);
      break;
    case Kind::CustomColor: {
      CustomColor color = customColorOf(text);
      // Cyan, magenta and yellow count only for types 2 and 3.
      std::size_t counted = color.type >= 2 ? 6 : 3;
      bool levelsOk = true;
      for (std::size_t i = 0; i < counted; ++i) levelsOk = levelsOk && color.levels[i] <= s::kMaxColorLevel;
      if (color.type > s::kMaxCustomColorType || !levelsOk) outOfRange(setting, text);
      break;
    }
    default:
      break;
  }
}

std::uint32_t numberOf(const Setting& setting, const std::string& text) {
  return static_cast<std::uint32_t>(parseUnsigned(setting.name, text, 0xFFFFFFFFul, acceptedValues(setting)));
}

CustomColor customColorOf(const std::string& text) {
  const Setting& setting = *findSetting("custom-color");
  std::vector<std::string> fields = fieldsOf(text);
  CustomColor color;
  if (fields.size() != 7) return color;  // checkValue has refused it already
  color.type =
      static_cast<std::uint8_t>(parseUnsigned(setting.name, fields[0], 0xFF, acceptedValues(setting)));
  for (std::size_t i = 0; i < color.levels.size(); ++i) {
    color.levels[i] =
        static_cast<std::uint8_t>(parseUnsigned(setting.name, fields[i + 1], 0xFF, acceptedValues(setting)));
  }
  return color;
}

bool sameValue(const Setting& setting, const std::string& text, const std::string& current) {
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Mask:
    case Kind::Hours:
      return numberOf(setting, text) == numberOf(setting, current);
    case Kind::CustomColor: {
      CustomColor wanted = customColorOf(text), held = customColorOf(current);
      return wanted.type == held.type && wanted.levels == held.levels;
    }
    case Kind::Text: {
      std::string wanted, held;
      return unescapeRecord(text, wanted) && unescapeRecord(current, held) && wanted == held;
    }
  }
  return false;
}

std::string heldLine(const Setting& setting, const std::string& value, const Readout& readout) {
  if (setting.kind != Kind::CustomColor) return readout.lines.at(0);
  return readout.lines.at(customColorOf(value).type);
}

}  // namespace vemoctl
