// A worker process: owns one bridge and carries out the supervisor's
// requests for its monitor, one at a time.
#pragma once

#include <chrono>

namespace vemod {

// Serves the supervisor on `fd` until it hangs up. The bridge is released
// after `hold` without a request (zero: never). Returns the exit code.
int runWorker(int fd, std::chrono::seconds hold);

}  // namespace vemod
