#include "tests/support/bytes.h"

#include <cstdio>
#include <sstream>

namespace vemo::test {

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[16];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += digits;
  }
  return out;
}

std::vector<std::uint8_t> bytesOf(const std::string& hexText) {
  std::vector<std::uint8_t> out;
  std::istringstream in(hexText);
  for (std::string byte; in >> byte;) {
    out.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  return out;
}

}  // namespace vemo::test
