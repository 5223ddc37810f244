// Bytes as hex text and back, "51 83 EA" style, for readable comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::test {

std::string hex(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> bytesOf(const std::string& hexText);

}  // namespace vemo::test
