// The service: owns the bus name, a worker per monitor, and the loop that
// carries calls to the workers and their answers back.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "service/src/automation/automation.h"
#include "service/src/supervisor/bridge_census.h"
#include "service/src/supervisor/identity.h"
#include "service/src/supervisor/manager_object.h"
#include "service/src/supervisor/monitor_object.h"
#include "service/src/supervisor/request_queue.h"
#include "service/src/supervisor/worker_process.h"

namespace vemod {

using Clock = std::chrono::steady_clock;

class Supervisor {
 public:
  Supervisor(WorkerLaunch launch, std::unique_ptr<BridgeCensus> census);
  ~Supervisor();
  // Serves until SIGTERM or SIGINT; the exit code.
  int run();

 private:
  struct Monitor {
    Identity identity;
    std::unique_ptr<MonitorObject> object;
    std::unique_ptr<WorkerProcess> worker;  // none while it is being restarted
    RequestQueue queue;
    std::optional<Job> running;
    Clock::time_point runningDeadline;
  };
  // A worker started and asked for a bridge: a new one, or a dead worker's.
  struct Claiming {
    std::unique_ptr<WorkerProcess> worker;
    std::string restartPath;  // empty when looking for a new monitor
    Clock::time_point deadline;
  };

  FindResult lookUp(const std::string& key) const;
  // Looks the key up; on a miss, after every monitor read its identity again.
  void find(const std::string& key, std::function<void(const FindResult&)> done);
  void submit(const std::string& path, Json request, Completion caller, const std::string& coalesceKey);
  void dispatch(Monitor& monitor);
  void onWorkerReply(Monitor& monitor, const Json& reply);
  // `why` completes "the worker of monitor X ..." in the log.
  void onWorkerLost(const std::string& path, const char* why);
  std::optional<std::uint32_t> otherService();
  void removeMonitor(const std::string& path, const std::string& why);

  void startClaim();
  void onClaimReply(const Json& reply);
  void addMonitor(const Json& reported, std::unique_ptr<WorkerProcess> worker);
  void reconcile();

  Clock::time_point nextWake() const;
  void serviceChannels();
  void checkDeadlines();

  WorkerLaunch launch_;
  std::unique_ptr<BridgeCensus> census_;
  std::unique_ptr<sdbus::IConnection> connection_;
  std::unique_ptr<automation::Automation> automation_;
  std::unique_ptr<ManagerObject> manager_;
  std::map<std::string, std::unique_ptr<Monitor>> monitors_;  // by object path
  std::optional<Claiming> claiming_;
  std::deque<std::string> restarts_;  // object paths whose worker must be started again
  bool scanWanted_ = true;
  Clock::time_point nextReconcile_;
  Clock::time_point nextRestart_;
  int nextRequestId_ = 1;
};

}  // namespace vemod
