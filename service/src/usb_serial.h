// A bridge's USB serial string as the service shows it.
#pragma once

#include <cstddef>
#include <string>

namespace vemod {

// Printable ASCII kept, anything else as '?'; at most `limit` characters.
inline std::string narrowSerial(const wchar_t* wide, std::size_t limit) {
  std::string serial;
  for (std::size_t i = 0; wide != nullptr && i < limit && wide[i] != L'\0'; ++i) {
    wchar_t c = wide[i];
    serial += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return serial;
}

}  // namespace vemod
