// A worker process started by the supervisor, with its end of the channel.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

#include "service/src/worker_channel.h"

namespace vemod {

struct WorkerLaunch {
  std::string executable;        // this program
  std::chrono::seconds hold{5};  // passed on as --hold
  std::string preload;           // LD_PRELOAD for the worker (the simulator), or empty
};

class WorkerProcess {
 public:
  // Starts `executable --worker`; throws std::runtime_error when it cannot.
  explicit WorkerProcess(const WorkerLaunch& launch);
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  LineChannel& channel() { return channel_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  LineChannel channel_;
};

}  // namespace vemod
