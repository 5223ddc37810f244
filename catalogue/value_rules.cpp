#include "catalogue/value_rules.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "include/VemoMonitorSdk.h"

namespace vemo::catalogue {
namespace {

namespace s = vemo::settings;

std::string format(const char* pattern, unsigned value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

[[noreturn]] void fail(Problem problem, const std::string& message) { throw ValueError(problem, message); }

[[noreturn]] void outOfRange(const Setting& setting, const std::string& shown, const ChoiceNames* names) {
  fail(Problem::OutOfRange, std::string(setting.name) + ": " + shown +
                                " is out of range; accepted values: " + acceptedValues(setting, names));
}

std::string describeRange(const s::ByteRange& range, const ChoiceNames* names) {
  auto one = [names](unsigned v) {
    std::string name = names ? choiceName(Value{v, {}, {}}, names) : "";
    return std::to_string(v) + (name.empty() ? "" : " (" + name + ")");
  };
  if (range.step == 1 && (names == nullptr || names->empty())) {
    return std::to_string(range.lo) + " to " + std::to_string(range.hi);
  }
  std::string out;
  for (unsigned v = range.lo; v <= range.hi; v += range.step) out += (out.empty() ? "" : ", ") + one(v);
  return out;
}

std::string choiceShown(std::uint32_t bit, const ChoiceNames* names) {
  std::string name = choiceName(Value{bit, {}, {}}, names);
  return format("0x%02X", bit) + (name.empty() ? "" : " (" + name + ")");
}

std::vector<std::string> colorFields(const std::string& text) {
  std::vector<std::string> fields;
  auto colon = text.find(':');
  if (colon == std::string::npos) return fields;
  fields.push_back(text.substr(0, colon));
  std::stringstream levels(text.substr(colon + 1));
  for (std::string field; std::getline(levels, field, ',');) fields.push_back(field);
  return fields;
}

Value parseCustomColor(const Setting& setting, const std::string& text) {
  std::vector<std::string> fields = colorFields(text);
  if (fields.size() != 7) {
    fail(Problem::Malformed, std::string(setting.name) + ": " + shownInput(text) +
                                 " is not TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW");
  }
  std::vector<long long> numbers;
  for (const std::string& field : fields) {
    numbers.push_back(
        static_cast<long long>(parseUnsigned(setting.name, field, 0xFF, acceptedValues(setting))));
  }
  long long type = numbers.front();
  numbers.erase(numbers.begin());
  return Value{0, {}, {customColorValue(type, numbers)}};
}

}  // namespace

bool looksLikeNumber(const std::string& text) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  return !digits.empty() &&
         digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos;
}

namespace {}  // namespace

std::size_t checkedColorLevels(unsigned type) { return type >= 2 ? 6 : 3; }

Value parseValue(const Setting& setting, const std::string& text, const ChoiceNames* names) {
  if (!setting.writable()) fail(Problem::ReadOnly, std::string(setting.name) + " is read-only");
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Mask: {
      if (names != nullptr && !looksLikeNumber(text)) {
        auto named = names->find(text);
        if (named == names->end()) {
          std::string known;
          for (const auto& [name, value] : *names) known += (known.empty() ? "" : ", ") + name;
          fail(Problem::Malformed, std::string(setting.name) + ": " + shownInput(text) +
                                       " is not a number or a choice of this model (" + known + ")");
        }
        return numberValue(setting, named->second);
      }
      unsigned long max = setting.kind == Kind::Byte ? 0xFF : 0xFFFFFFFFul;
      return numberValue(setting, static_cast<long long>(parseUnsigned(setting.name, text, max,
                                                                       acceptedValues(setting, names))));
    }
    case Kind::Text:
      return textValue(setting, text);
    case Kind::CustomColor:
      return parseCustomColor(setting, text);
    case Kind::Hours:
      break;
  }
  fail(Problem::ReadOnly, std::string(setting.name) + " is read-only");
}

Value numberValue(const Setting& setting, long long number) {
  if (!setting.writable()) fail(Problem::ReadOnly, std::string(setting.name) + " is read-only");
  std::string shown = setting.kind == Kind::Mask && number >= 0 && number <= 0xFFFFFFFFll
                          ? format("0x%02X", static_cast<unsigned>(number))
                          : std::to_string(number);
  bool accepted = false;
  if (setting.kind == Kind::Byte) {
    accepted = number >= 0 && number <= 0xFF &&
               setting.byteInfo->accepted.accepts(static_cast<std::uint8_t>(number));
  } else if (setting.kind == Kind::Mask) {
    accepted = number >= 0 && number <= 0xFFFFFFFFll &&
               setting.maskInfo->accepts(static_cast<std::uint32_t>(number));
  } else {
    fail(Problem::Malformed, std::string(setting.name) + " does not take a number");
  }
  if (!accepted) outOfRange(setting, shown, nullptr);
  return Value{static_cast<std::uint32_t>(number), {}, {}};
}

Value textValue(const Setting& setting, const std::string& text) {
  if (!setting.writable()) fail(Problem::ReadOnly, std::string(setting.name) + " is read-only");
  if (setting.kind != Kind::Text)
    fail(Problem::Malformed, std::string(setting.name) + " does not take a text");
  if (storedText(text) != text) {
    fail(Problem::Malformed, std::string(setting.name) + ": " + shownInput(text) + " is not UTF-8 text");
  }
  if (text.find('\0') != std::string::npos) {
    fail(Problem::Malformed,
         std::string(setting.name) + ": " + shownInput(text) + " holds a NUL byte, which ends the text");
  }
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      fail(Problem::Malformed, std::string(setting.name) + ": " + shownInput(text) +
                                   " holds a control character, which a label cannot show");
    }
  }
  if (text.size() > setting.textLength) {
    fail(Problem::OutOfRange, std::string(setting.name) + ": " + shownInput(text) + " takes " +
                                  std::to_string(text.size()) +
                                  " bytes; accepted values: " + acceptedValues(setting));
  }
  return Value{0, text, {}};
}

CustomColor customColorValue(long long type, const std::vector<long long>& levels) {
  const Setting& setting = *findSetting("custom-color");
  if (type < 0 || type > s::kMaxCustomColorType) {
    fail(Problem::OutOfRange, "custom-color: type " + std::to_string(type) +
                                  " is out of range; accepted values: " + acceptedValues(setting));
  }
  if (levels.size() != kColorLevelNames.size()) {
    fail(Problem::Malformed, "custom-color: six levels are needed (red, green, blue, cyan, magenta, yellow)");
  }
  CustomColor color;
  color.type = static_cast<std::uint8_t>(type);
  for (std::size_t i = 0; i < levels.size(); ++i) {
    long long limit = i < checkedColorLevels(color.type) ? s::kMaxColorLevel : 0xFF;
    if (levels[i] < 0 || levels[i] > limit) {
      fail(Problem::OutOfRange, std::string("custom-color: ") + kColorLevelNames[i] + " " +
                                    std::to_string(levels[i]) +
                                    " is out of range; accepted values: " + acceptedValues(setting));
    }
    color.levels[i] = static_cast<std::uint8_t>(levels[i]);
  }
  return color;
}

std::vector<std::string> textLines(const Setting& setting, const Value& value) {
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Hours:
      return {std::to_string(value.number)};
    case Kind::Mask:
      return {hex32(value.number)};
    case Kind::Text: {
      std::string shown;
      for (char c : storedText(value.text)) {
        auto byte = static_cast<unsigned char>(c);
        shown += byte < 0x20 || byte == 0x7F ? format("\\x%02X", byte) : std::string(1, c);
      }
      return {shown};
    }
    case Kind::CustomColor: {
      std::vector<std::string> lines;
      for (const CustomColor& color : value.colors) {
        std::string line = std::to_string(color.type) + ":";
        for (std::size_t i = 0; i < color.levels.size(); ++i) {
          line += (i > 0 ? "," : "") + std::to_string(color.levels[i]);
        }
        lines.push_back(line);
      }
      return lines;
    }
  }
  return {};
}

Json jsonForm(const Setting& setting, const Value& value) {
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Hours:
      return value.number;
    case Kind::Mask:
      return hex32(value.number);
    case Kind::Text:
      return storedText(value.text);
    case Kind::CustomColor: {
      Json colors = Json::array();
      for (const CustomColor& color : value.colors) {
        Json json{{"type", color.type}};
        for (std::size_t i = 0; i < color.levels.size(); ++i) json[kColorLevelNames[i]] = color.levels[i];
        colors.push_back(json);
      }
      return colors;
    }
  }
  return nullptr;
}

std::string choiceName(const Value& value, const ChoiceNames* names) {
  if (names == nullptr) return "";
  for (const auto& [name, number] : *names) {
    if (number == value.number) return name;
  }
  return "";
}

bool sameValue(const Setting& setting, const Value& wanted, const Value& held) {
  switch (setting.kind) {
    case Kind::Byte:
    case Kind::Mask:
    case Kind::Hours:
      return wanted.number == held.number;
    case Kind::Text:
      return wanted.text == held.text;
    case Kind::CustomColor:
      for (const CustomColor& want : wanted.colors) {
        bool found = false;
        for (const CustomColor& have : held.colors) {
          if (have.type == want.type) found = have.levels == want.levels;
        }
        if (!found) return false;
      }
      return true;
  }
  return false;
}

std::string acceptedValues(const Setting& setting, const ChoiceNames* names) {
  switch (setting.kind) {
    case Kind::Byte:
      return describeRange(setting.byteInfo->accepted, names);
    case Kind::Mask: {
      if (!setting.writable()) break;
      std::string out = "one of ";
      for (unsigned bit = 0; bit < setting.maskInfo->choices; ++bit) {
        out += (bit > 0 ? ", " : "") + choiceShown(1u << bit, names);
      }
      return out;
    }
    case Kind::Text:
      return "a text of at most " + std::to_string(setting.textLength) +
             " bytes (a character outside ASCII takes 2 to 4)";
    case Kind::CustomColor: {
      std::string withCmy;
      for (unsigned type = 0; type <= s::kMaxCustomColorType; ++type) {
        if (checkedColorLevels(type) == 6) withCmy += (withCmy.empty() ? "" : " and ") + std::to_string(type);
      }
      return "TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW with type 0 to " +
             std::to_string(s::kMaxCustomColorType) + ", red, green and blue 0 to " +
             std::to_string(s::kMaxColorLevel) + ", and cyan, magenta and yellow 0 to " +
             std::to_string(s::kMaxColorLevel) + " for types " + withCmy + " (0 to 255 for the others)";
    }
    case Kind::Hours:
      break;
  }
  return "none (read-only)";
}

std::string offeredChoices(std::uint32_t capabilities, const ChoiceNames* names) {
  std::string out;
  for (int bit : bitsOf(capabilities)) out += (out.empty() ? "" : ", ") + choiceShown(1u << bit, names);
  return out.empty() ? "none" : out;
}

std::vector<std::string> textsFromJson(const Setting& setting, const Json& value) {
  auto misfit = [&setting](const char* expected) {
    return ValueError(Problem::Malformed, std::string("profile: ") + setting.name + " must be " + expected);
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
      for (std::size_t position = 0; position < list.size(); ++position) {
        const Json& entry = list[position];
        if (entry.is_string()) {
          texts.push_back(entry.get<std::string>());
          continue;
        }
        // The Python package's form: the six levels of each type, by type.
        if (entry.is_array() && entry.size() == kColorLevelNames.size()) {
          std::string text = std::to_string(position) + ":";
          for (std::size_t i = 0; i < entry.size(); ++i) {
            if (!entry[i].is_number_unsigned())
              throw misfit("lists of six levels, or objects with type and levels");
            text += (i > 0 ? "," : "") + std::to_string(entry[i].get<unsigned long>());
          }
          texts.push_back(text);
          continue;
        }
        if (!entry.is_object() || !entry.contains("type") || !entry["type"].is_number_unsigned()) {
          throw misfit("a list of objects with type, red, green, blue, cyan, magenta, yellow");
        }
        std::string text = std::to_string(entry["type"].get<unsigned long>()) + ":";
        for (std::size_t i = 0; i < kColorLevelNames.size(); ++i) {
          const char* name = kColorLevelNames[i];
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

std::string storedText(const std::string& bytes) {
  std::string out;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char lead = b[i];
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    bool valid = length > 0 && i + length <= n;
    for (std::size_t k = 1; valid && k < length; ++k) valid = (b[i + k] & 0xC0) == 0x80;
    if (valid && length > 1) {
      // No overlong forms, surrogates or code points beyond U+10FFFF.
      unsigned long code = lead & (0x7F >> length);
      for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (b[i + k] & 0x3F);
      static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
      valid = code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    }
    if (!valid) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    out.append(bytes, i, length);
    i += length;
  }
  return out;
}

std::string recordText(const unsigned char* bytes, std::size_t length) {
  std::size_t used = 0;
  while (used < length && bytes[used] != 0) ++used;
  return storedText(std::string(reinterpret_cast<const char*>(bytes), used));
}

unsigned long parseUnsigned(const std::string& what, const std::string& text, unsigned long max,
                            const std::string& accepted) {
  // Decimal, or hex after 0x: a leading zero never makes a number octal.
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) {
    fail(Problem::Malformed, what + ": " + shownInput(text) + " is not a number");
  }
  errno = 0;
  unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
  if (errno == ERANGE || value > max) {
    std::string shown = text.size() > 64 ? shownInput(text) : text;
    fail(Problem::OutOfRange, what + ": " + shown + " is out of range; accepted values: " + accepted);
  }
  return value;
}

std::string shownInput(const std::string& text) {
  constexpr std::size_t kShown = 64;
  std::string cut = text;
  if (text.size() > kShown) {
    std::size_t at = kShown;
    // Never in the middle of a UTF-8 character.
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    cut = text.substr(0, at);
  }
  // A control character is shown, not sent to the terminal.
  std::string shown;
  for (char c : cut) {
    auto byte = static_cast<unsigned char>(c);
    shown += byte < 0x20 || byte == 0x7F ? format("\\x%02X", byte) : std::string(1, c);
  }
  return "'" + shown + (cut.size() < text.size() ? "...'" : "'");
}

std::string hex32(std::uint32_t value) { return format("0x%08X", value); }

std::vector<int> bitsOf(std::uint32_t mask) {
  std::vector<int> bits;
  for (int bit = 0; bit < 32; ++bit) {
    if (mask & (std::uint32_t{1} << bit)) bits.push_back(bit);
  }
  return bits;
}

}  // namespace vemo::catalogue
