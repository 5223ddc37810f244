#include "service/src/supervisor/worker_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace vemod {
namespace {

// The worker finds its end of the channel here.
constexpr int kWorkerChannelFd = 3;

int makeChannel(int ends[2]) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    throw std::runtime_error("cannot create a channel to a worker");
  }
  return ends[0];
}

[[noreturn]] void execWorker(const WorkerLaunch& launch, int workerEnd) {
  if (workerEnd == kWorkerChannelFd) {
    fcntl(workerEnd, F_SETFD, 0);
  } else if (dup2(workerEnd, kWorkerChannelFd) < 0) {
    _exit(127);
  }
  if (!launch.preload.empty()) {
    std::string preload = launch.preload;
    if (const char* existing = std::getenv("LD_PRELOAD"); existing && *existing)
      preload += std::string(":") + existing;
    setenv("LD_PRELOAD", preload.c_str(), 1);
  }
  std::string hold = std::to_string(launch.hold.count());
  execl(launch.executable.c_str(), launch.executable.c_str(), "--worker", "--hold", hold.c_str(),
        static_cast<char*>(nullptr));
  _exit(127);
}

}  // namespace

WorkerProcess::WorkerProcess(const WorkerLaunch& launch) : channel_(-1) {
  int ends[2];
  makeChannel(ends);
  pid_ = fork();
  if (pid_ < 0) {
    close(ends[0]);
    close(ends[1]);
    throw std::runtime_error("cannot start a worker");
  }
  if (pid_ == 0) {
    // A worker must not outlive the supervisor.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    execWorker(launch, ends[1]);
  }
  close(ends[1]);
  channel_ = LineChannel(ends[0]);
}

WorkerProcess::~WorkerProcess() {
  if (channel_.fd() >= 0) close(channel_.fd());
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

}  // namespace vemod
