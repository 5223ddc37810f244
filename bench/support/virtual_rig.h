// The device model set up for one benchmark: a scratch working directory for
// the log file, and the virtual HID bus holding the devices the benchmark
// needs. Each rig undoes its changes to the library and the bus when it ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/virtual_hid_bus.h"
#include "tests/support/scratch_directory.h"

namespace vemo::bench {

// One standard bridge (monitor and scaler behind it) alone on the bus,
// connected, with the log at `logLevel`.
class ConnectedMonitor {
 public:
  explicit ConnectedMonitor(unsigned char logLevel);
  ~ConnectedMonitor();
  ConnectedMonitor(const ConnectedMonitor&) = delete;
  ConnectedMonitor& operator=(const ConnectedMonitor&) = delete;

  bool connected() const { return connected_; }
  const sim::StandardBridge& device() const { return device_; }
  // The device model records all traffic (reports, frames, read time limits);
  // dropping the records keeps its memory from growing with the number of
  // exchanges.
  void forgetTraffic() const;

 private:
  test::ScratchDirectory scratch_{"vemo-bench"};
  sim::StandardBridge device_;
  sim::VirtualHidDevice* hidDevice_ = nullptr;
  bool connected_ = false;
};

// The bus lists `devices` HID devices of which `bridges` are standard bridges,
// spread evenly with the last device a bridge, so that a walk to the last
// bridge covers the whole list. The others lack the bridge's IDs: unrelated
// devices, and devices that share only its vendor ID or only its product ID.
// Each of those would answer the bridge's feature request, so opening one by
// mistake would also count it.
class PopulatedBus {
 public:
  PopulatedBus(int devices, int bridges);
  ~PopulatedBus();
  PopulatedBus(const PopulatedBus&) = delete;
  PopulatedBus& operator=(const PopulatedBus&) = delete;

  // Drops the bridges' records of past traffic (connecting sends a report).
  void forgetTraffic() const;
  // hid_open_path calls that reached devices lacking the bridge's IDs.
  int foreignOpens() const;
  int bridgeOpens() const;
  int openHandles() const;

 private:
  std::vector<std::shared_ptr<sim::VirtualBridge>> bridges_;
};

// The process's resident set size from /proc/self/statm, in KiB.
long residentKiB();

}  // namespace vemo::bench
