#include "catalogue/values.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "catalogue/exit_codes.h"
#include "include/VemoMonitorSdk.h"

namespace vemoctl {
namespace {

namespace s = vemo::settings;

constexpr std::array<const char*, 6> kLevelNames = {"red", "green", "blue", "cyan", "magenta", "yellow"};

std::string format(const char* pattern, unsigned value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

unsigned long parseNumber(const Setting& setting, const std::string& text, unsigned long max) {
  return parseUnsigned(setting.name, text, max, acceptedValues(setting));
}

std::string describeRange(const s::ByteRange& range) {
  if (range.step == 1) return std::to_string(range.lo) + " to " + std::to_string(range.hi);
  std::string out;
  for (unsigned v = range.lo; v <= range.hi; v += range.step) {
    if (!out.empty()) out += ", ";
    out += std::to_string(v);
  }
  return out;
}

std::string describeChoices(const s::MaskSetting& mask) {
  std::string out = "one of ";
  for (unsigned bit = 0; bit < mask.choices; ++bit) {
    if (bit > 0) out += ", ";
    out += format("0x%02X", 1u << bit);
  }
  return out;
}

Json customColorJson(unsigned type, const std::array<unsigned char, 6>& levels) {
  Json json;
  json["type"] = type;
  for (std::size_t i = 0; i < levels.size(); ++i) json[kLevelNames[i]] = levels[i];
  return json;
}

std::string customColorText(unsigned type, const std::array<unsigned char, 6>& levels) {
  std::string out = std::to_string(type) + ":";
  for (std::size_t i = 0; i < levels.size(); ++i) {
    if (i > 0) out += ",";
    out += std::to_string(levels[i]);
  }
  return out;
}

Reading readCustomColors() {
  Reading reading;
  reading.json = Json::array();
  for (unsigned type = 0; type <= s::kMaxCustomColorType; ++type) {
    std::array<unsigned char, 6> v{};
    int result = GetCustomColor(static_cast<unsigned char>(type), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    if (result != STATUS_OK) {
      reading.result = result;
      return reading;
    }
    reading.lines.push_back(customColorText(type, v));
    reading.json.push_back(customColorJson(type, v));
  }
  return reading;
}

Write parseCustomColor(const Setting& setting, const std::string& text) {
  auto colon = text.find(':');
  std::vector<std::string> fields;
  if (colon != std::string::npos) {
    fields.push_back(text.substr(0, colon));
    std::stringstream levels(text.substr(colon + 1));
    std::string field;
    while (std::getline(levels, field, ',')) fields.push_back(field);
  }
  if (fields.size() != 7) {
    throw ToolError(kUsage, std::string(setting.name) + ": '" + text +
                                "' is not TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW");
  }
  std::array<unsigned char, 7> v{};
  for (std::size_t i = 0; i < v.size(); ++i) {
    v[i] = static_cast<unsigned char>(parseNumber(setting, fields[i], 0xFF));
  }
  return [v] { return SetCustomColor(v[0], v[1], v[2], v[3], v[4], v[5], v[6]); };
}

Write parseText(const Setting& setting, const std::string& text) {
  std::string bytes;
  if (!unescapeRecord(text, bytes)) {
    throw ToolError(kUsage, std::string(setting.name) + ": '" + text + "' has a broken escape");
  }
  if (bytes.find('\0') != std::string::npos) {
    throw ToolError(kUsage,
                    std::string(setting.name) + ": '" + text + "' holds a NUL byte, which ends the text");
  }
  if (bytes.size() > setting.textLength) {
    throw ToolError(kOutOfRange, std::string(setting.name) + ": '" + text + "' takes " +
                                     std::to_string(bytes.size()) +
                                     " bytes; accepted values: " + acceptedValues(setting));
  }
  // The setter sends the whole record: the text, then zeros.
  std::vector<char> record(setting.textLength + 1, '\0');
  std::copy(bytes.begin(), bytes.end(), record.begin());
  auto set = setting.setText;
  return [set, record] { return set(record.data()); };
}

}  // namespace

unsigned long parseUnsigned(const std::string& what, const std::string& text, unsigned long max,
                            const std::string& accepted) {
  // Decimal, or hex after 0x: a leading zero never makes a number octal.
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) {
    throw ToolError(kUsage, what + ": '" + text + "' is not a number");
  }
  errno = 0;
  unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
  if (errno == ERANGE || value > max) {
    throw ToolError(kOutOfRange, what + ": " + text + " is out of range; accepted values: " + accepted);
  }
  return value;
}

std::string hex32(std::uint32_t value) { return format("0x%08X", value); }

std::vector<int> bitsOf(std::uint32_t mask) {
  std::vector<int> bits;
  for (int bit = 0; bit < 32; ++bit) {
    if (mask & (std::uint32_t{1} << bit)) bits.push_back(bit);
  }
  return bits;
}

std::string escapeRecord(const unsigned char* bytes, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length && bytes[i] != 0; ++i) {
    unsigned char c = bytes[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c > 0x7E) {
      out += format("\\x%02X", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool unescapeRecord(const std::string& text, std::string& bytes) {
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      bytes += '\\';
      ++i;
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return false;
    std::string digits = text.substr(i + 2, 2);
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    bytes += static_cast<char>(std::stoul(digits, nullptr, 16));
    i += 3;
  }
  return true;
}

Reading readSetting(const Setting& setting) {
  Reading reading;
  switch (setting.kind) {
    case Kind::Byte: {
      unsigned char value = 0;
      reading.result = setting.getByte(&value);
      reading.lines.push_back(std::to_string(value));
      reading.json = value;
      break;
    }
    case Kind::Mask: {
      std::uint32_t value = 0;
      reading.result = setting.getMask(&value);
      reading.lines.push_back(hex32(value));
      reading.json = hex32(value);
      break;
    }
    case Kind::Text: {
      std::vector<unsigned char> record(setting.textLength, 0);
      reading.result = setting.getText(record.data());
      std::string text = escapeRecord(record.data(), record.size());
      reading.lines.push_back(text);
      reading.json = text;
      break;
    }
    case Kind::Hours: {
      short hours = 0;
      reading.result = GetBacklightHours(&hours);
      // A counter: the 16 bits read unsigned.
      auto count = static_cast<unsigned short>(hours);
      reading.lines.push_back(std::to_string(count));
      reading.json = count;
      break;
    }
    case Kind::CustomColor:
      reading = readCustomColors();
      break;
  }
  return reading;
}

Write parseValue(const Setting& setting, const std::string& text) {
  if (!setting.writable()) {
    throw ToolError(kUsage, std::string(setting.name) + " is read-only");
  }
  switch (setting.kind) {
    case Kind::Byte: {
      auto value = static_cast<unsigned char>(parseNumber(setting, text, 0xFF));
      auto set = setting.setByte;
      return [set, value] { return set(value); };
    }
    case Kind::Mask: {
      auto value = static_cast<std::uint32_t>(parseNumber(setting, text, 0xFFFFFFFFul));
      auto set = setting.setMask;
      return [set, value] { return set(value); };
    }
    case Kind::Text:
      return parseText(setting, text);
    case Kind::CustomColor:
      return parseCustomColor(setting, text);
    case Kind::Hours:
      break;
  }
  throw ToolError(kUsage, std::string(setting.name) + " is read-only");
}

std::string acceptedValues(const Setting& setting) {
  switch (setting.kind) {
    case Kind::Byte:
      return describeRange(setting.byteInfo->accepted);
    case Kind::Mask:
      return describeChoices(*setting.maskInfo);
    case Kind::Text:
      return "a text of at most " + std::to_string(setting.textLength) +
             " bytes (a character outside ASCII takes 2 to 4)";
    case Kind::CustomColor:
      return "TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW with type 0 to " +
             std::to_string(s::kMaxCustomColorType) + ", red, green and blue 0 to " +
             std::to_string(s::kMaxColorLevel) + ", and cyan, magenta and yellow 0 to " +
             std::to_string(s::kMaxColorLevel) + " for types 2 and 3";
    case Kind::Hours:
      break;
  }
  return "none (read-only)";
}

std::vector<std::string> textsFromJson(const Setting& setting, const Json& value) {
  auto misfit = [&setting](const char* expected) {
    return ToolError(kUsage, std::string("profile: ") + setting.name + " must be " + expected);
  };
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Hours:
      if (value.is_number_unsigned()) return {std::to_string(value.get<unsigned long>())};
      if (value.is_string()) return {value.get<std::string>()};
      throw misfit("a number");
    case Kind::Mask:
      if (value.is_number_unsigned()) return {std::to_string(value.get<unsigned long>())};
      if (value.is_string()) return {value.get<std::string>()};
      throw misfit("a hex string such as \"0x00000001\"");
    case Kind::Text:
      if (value.is_string()) return {value.get<std::string>()};
      throw misfit("a string");
    case Kind::CustomColor: {
      const Json list = value.is_array() ? value : Json::array({value});
      std::vector<std::string> texts;
      for (const Json& entry : list) {
        if (entry.is_string()) {
          texts.push_back(entry.get<std::string>());
          continue;
        }
        if (!entry.is_object() || !entry.contains("type") || !entry["type"].is_number_unsigned()) {
          throw misfit("a list of objects with type, red, green, blue, cyan, magenta, yellow");
        }
        std::string text = std::to_string(entry["type"].get<unsigned long>()) + ":";
        for (std::size_t i = 0; i < kLevelNames.size(); ++i) {
          const char* name = kLevelNames[i];
          if (!entry.contains(name) || !entry[name].is_number_unsigned()) {
            throw misfit("a list of objects with type, red, green, blue, cyan, magenta, yellow");
          }
          text += (i > 0 ? "," : "") + std::to_string(entry[name].get<unsigned long>());
        }
        texts.push_back(text);
      }
      return texts;
    }
  }
  return {};
}

}  // namespace vemoctl
