// The scaler's register file at I2C address 0x4A. A write sets the register
// pointer from its first byte and stores the rest from there on; a read
// returns bytes from the pointer on. Setting bit 7 of register 0x6F asks for
// ISP mode, which the bit reports once the scaler has entered it.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/i2c_target.h"

namespace vemo::sim {

class VirtualScaler : public I2cTarget {
 public:
  static constexpr int kNever = -1;
  static constexpr std::uint8_t kIspRegister = 0x6F;
  static constexpr std::uint8_t kIspBit = 0x80;

  // ISP mode comes on after `ispAfterReads` reads of register 0x6F that follow
  // the request (0: the first read already shows it), or never.
  explicit VirtualScaler(int ispAfterReads = 2) : ispAfterReads_(ispAfterReads) {}

  bool write(const std::uint8_t* data, std::size_t length) override;
  bool read(std::uint8_t* data, std::size_t length) override;

  std::uint8_t reg(std::uint8_t r) const { return regs_[r]; }
  void setReg(std::uint8_t r, std::uint8_t v) { regs_[r] = v; }
  const std::array<std::uint8_t, 256>& registers() const { return regs_; }
  // The registers as another session left them (all 0: the scaler's power-on
  // state). A request for ISP mode found among them was made a while ago, so
  // the scaler has entered ISP mode since; without one it is not in ISP mode.
  void restore(const std::array<std::uint8_t, 256>& registers);
  std::uint8_t pointer() const { return pointer_; }
  void setPointer(std::uint8_t p) { pointer_ = p; }
  bool inIspMode() const { return ispOn_; }
  void setIspAfterReads(int reads) { ispAfterReads_ = reads; }
  // Every register write, in order.
  const std::vector<std::pair<std::uint8_t, std::uint8_t>>& writes() const { return writes_; }
  int ispRegisterReads() const { return ispReads_; }
  void nakEverything(bool nak) { nak_ = nak; }

 private:
  std::uint8_t load(std::uint8_t r);

  std::array<std::uint8_t, 256> regs_{};
  std::uint8_t pointer_ = 0;
  int ispAfterReads_;
  int readsSinceRequest_ = 0;
  bool ispRequested_ = false;
  bool ispOn_ = false;
  int ispReads_ = 0;
  bool nak_ = false;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> writes_;
};

}  // namespace vemo::sim
