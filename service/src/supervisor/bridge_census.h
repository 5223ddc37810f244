// Which bridges are attached: through udev for real hardware, a fixed number
// for the simulator.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace vemod {

class BridgeCensus {
 public:
  virtual ~BridgeCensus() = default;
  // A descriptor that becomes readable when bridges come or go; -1 for none.
  virtual int eventFd() const = 0;
  // Reads the pending events; true when a bridge came or went.
  virtual bool takeEvents() = 0;
  virtual int attachedCount() = 0;
  // The USB serials of the attached bridges; nothing when they cannot be known.
  virtual std::optional<std::set<std::string>> attachedSerials() = 0;
};

// Bridges 0451:CA01 on the USB bus, watched through libudev.
std::unique_ptr<BridgeCensus> udevCensus();

// The simulator's fixed set: VEMO_SIM_MONITORS bridges (default 1).
std::unique_ptr<BridgeCensus> simulatedCensus();

}  // namespace vemod
