// Reading a setting into its text and JSON forms, and turning a value given
// as text back into the library call that writes it.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace vemoctl {

using Json = nlohmann::ordered_json;

struct Reading {
  int result = 0;                  // the library's result code
  std::vector<std::string> lines;  // text form: one line, or one per custom colour type
  Json json;                       // JSON form
};

// Reads the setting from the connected monitor.
Reading readSetting(const Setting& setting);

// A value checked for its form, ready to go to the monitor.
using Write = std::function<int()>;

// Throws ToolError: kUsage for a read-only setting or a malformed value,
// kOutOfRange for a number the setter's argument cannot even hold. The
// setter's own range check decides everything else.
Write parseValue(const Setting& setting, const std::string& text);

// The accepted values in words, for the out-of-range message.
std::string acceptedValues(const Setting& setting);

// The text forms (one per line) of a value in a JSON profile. Throws
// ToolError(kUsage) when its shape does not fit the setting.
std::vector<std::string> textsFromJson(const Setting& setting, const Json& value);

// Identity records as text: bytes up to the first NUL, with backslash and any
// byte outside printable ASCII escaped as \xNN; unescape reverses it.
std::string escapeRecord(const unsigned char* bytes, std::size_t length);
bool unescapeRecord(const std::string& text, std::string& bytes);

// A whole number in decimal or 0x hex for `what`: throws ToolError(kUsage)
// when it is not one, ToolError(kOutOfRange) with `accepted` when above max.
unsigned long parseUnsigned(const std::string& what, const std::string& text, unsigned long max,
                            const std::string& accepted);

std::string hex32(std::uint32_t value);
// The numbers of the bits set in `mask`, lowest first.
std::vector<int> bitsOf(std::uint32_t mask);

}  // namespace vemoctl
