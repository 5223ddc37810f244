// The monitor and the scaler of the device model, telling the simulator after
// every write so that it can save what changed.
#pragma once

#include <functional>

#include "sim/virtual_monitor.h"
#include "sim/virtual_scaler.h"

namespace vemo::sim {

using ChangeListener = std::function<void()>;

class PersistentMonitor : public VirtualMonitor {
 public:
  explicit PersistentMonitor(ChangeListener changed) : changed_(std::move(changed)) {}
  bool write(const std::uint8_t* data, std::size_t length) override;

 private:
  ChangeListener changed_;
};

class PersistentScaler : public VirtualScaler {
 public:
  explicit PersistentScaler(ChangeListener changed) : changed_(std::move(changed)) {}
  bool write(const std::uint8_t* data, std::size_t length) override;

 private:
  ChangeListener changed_;
};

}  // namespace vemo::sim
