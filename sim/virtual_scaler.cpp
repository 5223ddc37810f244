#include "sim/virtual_scaler.h"

namespace vemo::sim {

bool VirtualScaler::write(const std::uint8_t* data, std::size_t length) {
  if (nak_) return false;
  if (length == 0) return true;
  pointer_ = data[0];
  for (std::size_t i = 1; i < length; ++i) {
    std::uint8_t r = pointer_++;
    regs_[r] = data[i];
    writes_.emplace_back(r, data[i]);
    if (r == kIspRegister && (data[i] & kIspBit) != 0 && !ispRequested_) {
      ispRequested_ = true;
      readsSinceRequest_ = 0;
    }
  }
  return true;
}

void VirtualScaler::restore(const std::array<std::uint8_t, 256>& registers) {
  regs_ = registers;
  bool requested = (regs_[kIspRegister] & kIspBit) != 0;
  if (requested && !ispRequested_) ispOn_ = true;
  if (!requested) ispOn_ = false;
  ispRequested_ = requested;
}

bool VirtualScaler::read(std::uint8_t* data, std::size_t length) {
  if (nak_) return false;
  for (std::size_t i = 0; i < length; ++i) data[i] = load(pointer_++);
  return true;
}

std::uint8_t VirtualScaler::load(std::uint8_t r) {
  if (r != kIspRegister) return regs_[r];
  ++ispReads_;
  if (ispRequested_ && !ispOn_ && ispAfterReads_ != kNever && readsSinceRequest_++ >= ispAfterReads_) {
    ispOn_ = true;
  }
  return ispOn_ ? (regs_[r] | kIspBit) : (regs_[r] & ~kIspBit);
}

}  // namespace vemo::sim
