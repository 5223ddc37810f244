#include "tools/vemoctl/bridges/wait.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "tools/vemoctl/bridges/diagnosis.h"

namespace vemoctl {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPoll = std::chrono::milliseconds(100);

double waitSeconds = kDefaultBridgeWait;
std::optional<Clock::time_point> deadline;

// A bridge that does not open is held by another program unless this user
// may not open its device node at all (waiting would not help then).
bool heldByAnother(const std::string& path) {
  std::string node = deviceNodeOf(path);
  return node.empty() || access(node.c_str(), R_OK | W_OK) == 0 || errno != EACCES;
}

bool anyHeld() {
  for (const std::string& path : attachedBridgePaths()) {
    if (!bridgeOpens(path) && heldByAnother(path)) return true;
  }
  return false;
}

}  // namespace

void setBridgeWait(double seconds) { waitSeconds = seconds; }

std::string waitForHeldBridges() {
  if (!deadline) {
    deadline = Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(waitSeconds));
  }
  while (anyHeld()) {
    if (Clock::now() >= *deadline) {
      std::string reason = unopenedBridgeReason(0);
      char waited[32];
      std::snprintf(waited, sizeof waited, "%g", waitSeconds);
      return (reason.empty() ? std::string("a bridge is in use by another program") : reason) + " (waited " +
             waited + " s)";
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(kPoll, *deadline - Clock::now()));
  }
  return "";
}

}  // namespace vemoctl
