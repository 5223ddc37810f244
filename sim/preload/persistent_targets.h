// The monitor and the scaler of the device model, each of their I2C transfers
// run against the state every process shares: the guard brings the model up
// to date with the state file before the transfer and saves what it changed.
#pragma once

#include <functional>

#include "sim/virtual_monitor.h"
#include "sim/virtual_scaler.h"

namespace vemo::sim {

// Runs `transfer` on the up-to-date model; false when the transfer must fail
// (the state cannot be read, or what changed cannot be saved).
using TransferGuard = std::function<bool(const std::function<bool()>& transfer)>;

class PersistentMonitor : public VirtualMonitor {
 public:
  explicit PersistentMonitor(TransferGuard guard) : guard_(std::move(guard)) {}
  // Reads need no guard: the reply was made when its request was written.
  bool write(const std::uint8_t* data, std::size_t length) override;

 private:
  TransferGuard guard_;
};

class PersistentScaler : public VirtualScaler {
 public:
  explicit PersistentScaler(TransferGuard guard) : guard_(std::move(guard)) {}
  bool write(const std::uint8_t* data, std::size_t length) override;
  bool read(std::uint8_t* data, std::size_t length) override;

 private:
  TransferGuard guard_;
};

}  // namespace vemo::sim
