// A device on the monitor's I2C bus behind the virtual bridge.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::sim {

class I2cTarget {
 public:
  virtual ~I2cTarget() = default;
  // A complete I2C write. False is a NAK.
  virtual bool write(const std::uint8_t* data, std::size_t length) = 0;
  // A complete I2C read of `length` bytes. False is a NAK.
  virtual bool read(std::uint8_t* data, std::size_t length) = 0;
};

}  // namespace vemo::sim
