// A setting's values: parsed once from text (the command line, a profile,
// a D-Bus string), checked against the setting's rules before anything is
// sent, and put back into the text and JSON forms clients print.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/value_error.h"

namespace vemo::catalogue {

using Json = nlohmann::ordered_json;

// Red, green, blue, cyan, magenta, yellow: the six levels of a custom colour.
inline constexpr std::array<const char*, 6> kColorLevelNames = {"red",  "green",   "blue",
                                                                "cyan", "magenta", "yellow"};
using ColorLevels = std::array<std::uint8_t, 6>;

struct CustomColor {
  std::uint8_t type = 0;
  ColorLevels levels{};
};

// How many of a custom colour type's levels the monitor takes from 0 to
// kMaxColorLevel: red, green and blue always; cyan, magenta and yellow only
// for the types that use them (the monitor ignores them for the others and
// takes any byte there).
std::size_t checkedColorLevels(unsigned type);

// The names a model gives a setting's values (choice name to value), and
// those names for every setting a model description names.
using ChoiceNames = std::map<std::string, std::uint32_t>;
using ModelChoices = std::map<std::string, ChoiceNames>;

// One value of a setting, as read or as it will be sent.
struct Value {
  std::uint32_t number = 0;         // one-byte settings, masks, hours
  std::string text;                 // text records: the bytes as stored, up to the first NUL
  std::vector<CustomColor> colors;  // custom colour: one type to write, every type read
};

// The value `text` stands for, checked: a number in decimal or 0x hex, a
// choice name `names` gives, a text record (as it is), or
// TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW. Throws ValueError: ReadOnly,
// Malformed, or OutOfRange with the accepted values.
Value parseValue(const Setting& setting, const std::string& text, const ChoiceNames* names = nullptr);

// True when `text` is a number in decimal or 0x hex (a choice name may
// start with a digit, "4-3", but is never all digits).
bool looksLikeNumber(const std::string& text);

// A number given as a number (D-Bus, JSON), checked as parseValue does.
Value numberValue(const Setting& setting, long long number);
// A text record given as text (taken as it is: UTF-8, no control
// characters, at most the record's bytes), checked as parseValue does.
Value textValue(const Setting& setting, const std::string& text);
// A custom colour type and its six levels, checked.
CustomColor customColorValue(long long type, const std::vector<long long>& levels);

// The text form: one line, or one per custom colour type.
std::vector<std::string> textLines(const Setting& setting, const Value& value);
// The JSON form: a number, a "0x%08X" mask, a text, or the custom colours
// as objects of type and levels.
Json jsonForm(const Setting& setting, const Value& value);

// The name `names` gives the value, or "".
std::string choiceName(const Value& value, const ChoiceNames* names);

// True when the monitor holding `held` holds `wanted` already (a custom
// colour compares the type it writes).
bool sameValue(const Setting& setting, const Value& wanted, const Value& held);

// The accepted values in words, for the out-of-range message.
std::string acceptedValues(const Setting& setting, const ChoiceNames* names = nullptr);
// The choices of a mask setting `capabilities` offers, in words with their names.
std::string offeredChoices(std::uint32_t capabilities, const ChoiceNames* names);

// The text forms (one per line) of a value in a JSON profile. Throws
// ValueError(Malformed) when its shape does not fit the setting.
std::vector<std::string> textsFromJson(const Setting& setting, const Json& value);

// A text record has one form everywhere: the text as stored, a byte that is
// not part of valid UTF-8 shown as U+FFFD. Only text output (textLines)
// escapes control characters, as \xNN.
std::string storedText(const std::string& bytes);
// The record's bytes up to the first NUL, as storedText.
std::string recordText(const unsigned char* bytes, std::size_t length);

// A whole number in decimal or 0x hex for `what`: throws ValueError,
// Malformed when it is not one, OutOfRange with `accepted` when above max.
unsigned long parseUnsigned(const std::string& what, const std::string& text, unsigned long max,
                            const std::string& accepted);

// User input as echoed in a message: quoted, and cut to 64 characters.
std::string shownInput(const std::string& text);

std::string hex32(std::uint32_t value);
// The numbers of the bits set in `mask`, lowest first.
std::vector<int> bitsOf(std::uint32_t mask);

}  // namespace vemo::catalogue
