// The exclusive claim on one simulated bridge, shared by every process that
// uses the same state file: a lock on a file beside it, named after the
// bridge's USB serial, held while a handle to the bridge is open.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sim/preload/file_lock.h"

namespace vemo::sim {

class BridgeClaim {
 public:
  using Reporter = std::function<void(const std::string&)>;
  BridgeClaim(std::string lockPath, Reporter report)
      : lockPath_(std::move(lockPath)), report_(std::move(report)) {}

  // False while another handle, in this process or another, has the bridge.
  bool claim();
  void release();

 private:
  std::string lockPath_;
  Reporter report_;
  bool held_ = false;
  std::optional<FileLock> lock_;
};

}  // namespace vemo::sim
