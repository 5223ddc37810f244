// A setting's value between the forms vemoctl prints and takes and the
// numbers, texts and colour levels that travel to the monitor.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vemoctl/monitor_link.h"

namespace vemoctl {

using ColorLevels = std::array<std::uint8_t, 6>;

struct CustomColor {
  std::uint8_t type = 0;
  ColorLevels levels{};
};

// The text and JSON forms of a value read: a number (one-byte setting, mask
// or hours), an identity record already escaped, or the custom colours by type.
Readout readoutOfNumber(const Setting& setting, std::uint32_t number);
Readout readoutOfText(const std::string& escaped);
Readout readoutOfColors(const std::vector<ColorLevels>& byType);

// Throws ToolError unless `text` is a value the setting accepts: kUsage for
// a read-only setting or a malformed value, kOutOfRange (with the accepted
// values) for one outside the range. Nothing needs the monitor for this.
void checkValue(const Setting& setting, const std::string& text);

// A checked value as a number (one-byte and mask settings) or a custom colour.
std::uint32_t numberOf(const Setting& setting, const std::string& text);
CustomColor customColorOf(const std::string& text);

// True when the value given as text is the one the monitor holds, as read
// (one line of a Readout; custom colours compare type by type).
bool sameValue(const Setting& setting, const std::string& text, const std::string& current);

// The line of a reading that holds what `value` sets: custom colours are
// read for every type.
std::string heldLine(const Setting& setting, const std::string& value, const Readout& readout);

}  // namespace vemoctl
