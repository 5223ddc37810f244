#include "sim/preload/bridge_claim.h"

namespace vemo::sim {

bool BridgeClaim::claim() {
  if (held_) return false;
  std::string error;
  lock_ = FileLock::acquire(lockPath_, FileLock::Wait::DontBlock, error);
  if (!lock_) {
    if (error.empty()) return false;  // another process has it
    // Without a lock file the bridge still works, for this process alone.
    report_(error + "; the bridge is not claimed against other processes");
  }
  held_ = true;
  return true;
}

void BridgeClaim::release() {
  lock_.reset();
  held_ = false;
}

}  // namespace vemo::sim
