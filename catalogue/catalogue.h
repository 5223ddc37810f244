// Every setting the library offers, by its kebab-case name on the command
// line, with the library functions that read and write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/settings.h"

namespace vemoctl {

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

  bool writable() const {
    return setByte != nullptr || setMask != nullptr || setText != nullptr || kind == Kind::CustomColor;
  }
};

// In the order `get --all`, `dump` and `restore` go through them.
const std::vector<Setting>& catalogue();
const Setting* findSetting(std::string_view name);
std::vector<std::string> settingNames();

}  // namespace vemoctl
