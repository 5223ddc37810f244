// Every setting the library offers, by its kebab-case name, with the library
// functions that read and write it: the products' one model of the settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/settings.h"

namespace vemo::catalogue {

enum class Kind {
  Byte,         // one byte, decimal
  Mask,         // 32 bits, one bit per choice, in hex
  Text,         // a fixed-size identity record shown as text
  Hours,        // the backlight hours counter
  CustomColor,  // six levels for each custom colour type
};

struct Setting {
  const char* name;
  Kind kind;
  int (*getByte)(unsigned char*) = nullptr;
  int (*setByte)(unsigned char) = nullptr;
  const vemo::settings::ByteSetting* byteInfo = nullptr;
  int (*getMask)(std::uint32_t*) = nullptr;
  int (*setMask)(std::uint32_t) = nullptr;
  const vemo::settings::MaskSetting* maskInfo = nullptr;
  int (*getText)(unsigned char*) = nullptr;
  int (*setText)(const char*) = nullptr;
  std::size_t textLength = 0;
  // A mask setting whose choices the monitor offers in a capability value:
  // that setting's name.
  const char* capabilities = nullptr;
  // A one-byte setting whose values stand for things rather than amounts
  // (an input, a language): a client offers them as choices, not a slider.
  bool enumeration = false;

  bool writable() const {
    return setByte != nullptr || setMask != nullptr || setText != nullptr || kind == Kind::CustomColor;
  }
};

// In the order clients list them (and `get --all`, `dump` and `restore` go
// through them).
const std::vector<Setting>& catalogue();
const Setting* findSetting(std::string_view name);
std::vector<std::string> settingNames();

}  // namespace vemo::catalogue
