// A fuzzer's input read front to back. Past the end every read gives zeros,
// so every input, however short, describes a complete scenario.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vemo::fuzz {

class ByteStream {
 public:
  ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  std::size_t remaining() const { return empty() ? 0 : size_ - position_; }

  std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
  std::uint16_t word() { return static_cast<std::uint16_t>(byte() << 8 | byte()); }
  std::uint32_t dword() { return std::uint32_t{word()} << 16 | word(); }
  std::int32_t int32() { return static_cast<std::int32_t>(dword()); }

  // Fills `out` with the next `count` bytes, zeros once the input ends.
  void copy(std::uint8_t* out, std::size_t count) {
    std::size_t available = count < remaining() ? count : remaining();
    if (available > 0) std::memcpy(out, data_ + position_, available);
    std::memset(out + available, 0, count - available);
    position_ += available;
  }

  // The next `count` bytes, or fewer when the input ends first.
  std::vector<std::uint8_t> take(std::size_t count) {
    std::size_t available = count < remaining() ? count : remaining();
    std::vector<std::uint8_t> out(data_ + position_, data_ + position_ + available);
    position_ += available;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace vemo::fuzz
