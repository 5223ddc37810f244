#include "service/src/supervisor/supervisor.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "contract/bus.h"
#include "service/src/worker_channel.h"
#include "service/src/worker_messages.h"

namespace vemod {

namespace bus = vemo::bus;

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr seconds kCallBound{20};    // far above the library's bounds for one setting
constexpr seconds kGetAllBound{60};  // every setting, one after the other
constexpr seconds kClaimBound{30};   // connecting to each bridge and reading its identity
constexpr seconds kRetryPeriod{2};   // bridges in use elsewhere, workers that failed to start

int blockedSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  return signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

Supervisor::Supervisor(WorkerLaunch launch, std::unique_ptr<BridgeCensus> census)
    : launch_(std::move(launch)),
      census_(std::move(census)),
      connection_(sdbus::createSessionBusConnection()) {
  ManagerCalls calls;
  calls.monitors = [this] {
    std::vector<sdbus::ObjectPath> paths;
    for (const auto& [path, monitor] : monitors_) paths.emplace_back(path);
    return paths;
  };
  calls.find = [this](const std::string& key, std::function<void(const FindResult&)> done) {
    find(key, std::move(done));
  };
  automation_ = std::make_unique<automation::Automation>(
      *connection_,
      [this](const std::string& path, Json request, Completion done, const std::string& key) {
        submit(path, std::move(request), std::move(done), key);
      },
      automation::SettingsStore::defaultFile());
  manager_ = std::make_unique<ManagerObject>(
      *connection_, std::move(calls), [this](sdbus::IObject& o) { automation_->addManagerMembers(o); });
  automation_->start();
  nextReconcile_ = Clock::now() + kRetryPeriod;
}

Supervisor::~Supervisor() {
  claiming_.reset();
  monitors_.clear();
  automation_.reset();
}

FindResult Supervisor::lookUp(const std::string& key) const {
  // An Id names one monitor even when another reports the same serial number.
  for (const auto& [path, monitor] : monitors_) {
    if (monitor->identity.id == key) return {sdbus::ObjectPath(path), {}};
  }
  std::vector<std::string> matches;
  for (const auto& [path, monitor] : monitors_) {
    if (answersTo(monitor->identity, key)) matches.push_back(path);
  }
  if (matches.empty()) return {std::nullopt, {}};
  std::vector<std::string> ids;
  for (const std::string& path : matches) ids.push_back(monitors_.at(path)->identity.id);
  if (ids.size() > 1) return {std::nullopt, ids};
  return {sdbus::ObjectPath(matches.front()), {}};
}

void Supervisor::find(const std::string& key, std::function<void(const FindResult&)> done) {
  FindResult found = lookUp(key);
  if (found.path || !found.ambiguous.empty() || monitors_.empty()) {
    done(found);
    return;
  }
  // A miss: another program may have changed a monitor's identity while its
  // bridge was free. Each monitor reads it again, then the key is looked up.
  auto pending = std::make_shared<std::size_t>(monitors_.size());
  auto finish = std::make_shared<std::function<void(const FindResult&)>>(std::move(done));
  std::vector<std::string> paths;
  for (const auto& [path, monitor] : monitors_) paths.push_back(path);
  for (const std::string& path : paths) {
    submit(
        path, ask::identity(),
        [this, key, pending, finish](const Json&) {
          if (--*pending == 0) (*finish)(lookUp(key));
        },
        "");
  }
}

void Supervisor::submit(const std::string& path, Json request, Completion caller,
                        const std::string& coalesceKey) {
  auto found = monitors_.find(path);
  if (found == monitors_.end()) {
    caller(failure(bus::kGone, subjectOf(request) + ": the monitor was removed"));
    return;
  }
  found->second->queue.push(std::move(request), std::move(caller), coalesceKey);
  dispatch(*found->second);
}

void Supervisor::dispatch(Monitor& monitor) {
  if (!monitor.worker || monitor.running || monitor.queue.empty()) return;
  monitor.running = monitor.queue.pop();
  monitor.running->request["id"] = nextRequestId_++;
  monitor.runningDeadline =
      Clock::now() + (opOf(monitor.running->request) == Op::GetAll ? kGetAllBound : kCallBound);
  if (!monitor.worker->channel().send(monitor.running->request))
    onWorkerLost(monitor.object->path(), "stopped");
}

void Supervisor::onWorkerReply(Monitor& monitor, const Json& reply) {
  if (!monitor.running || reply.value("id", Json()) != monitor.running->request["id"]) return;
  Job job = std::move(*monitor.running);
  monitor.running.reset();
  if (reply.contains("identity")) monitor.object->refreshIdentity(reply["identity"]);
  if (succeeded(reply)) monitor.object->announce(job.request, reply);
  automation_->replied(monitor.object->path(), reply);
  complete(job, reply);
  dispatch(monitor);
}

void Supervisor::onWorkerLost(const std::string& path, const char* why) {
  auto found = monitors_.find(path);
  if (found == monitors_.end()) return;
  Monitor& monitor = *found->second;
  std::fprintf(stderr, "vemod: the worker of monitor %s (bridge %s) %s; restarting it\n",
               monitor.identity.id.c_str(), monitor.identity.usbSerial.c_str(), why);
  monitor.worker.reset();
  if (monitor.running) {
    Job job = std::move(*monitor.running);
    monitor.running.reset();
    complete(job, failure(bus::kCommFailure,
                          subjectOf(job.request) + ": the monitor's worker stopped; it is being restarted"));
  }
  if (std::find(restarts_.begin(), restarts_.end(), path) == restarts_.end()) restarts_.push_back(path);
}

void Supervisor::removeMonitor(const std::string& path, const std::string& why) {
  auto found = monitors_.find(path);
  if (found == monitors_.end()) return;
  std::unique_ptr<Monitor> monitor = std::move(found->second);
  monitors_.erase(found);
  restarts_.erase(std::remove(restarts_.begin(), restarts_.end(), path), restarts_.end());
  if (claiming_ && claiming_->restartPath == path) claiming_.reset();
  monitor->worker.reset();
  Json gone = failure(bus::kGone, "the monitor was removed (" + why + ")");
  if (monitor->running) complete(*monitor->running, gone);
  monitor->queue.failAll(gone);
  automation_->monitorRemoved(path);
  monitor->object.reset();
  manager_->monitorRemoved(path);
}

void Supervisor::startClaim() {
  if (claiming_) return;
  std::string restartPath;
  if (!restarts_.empty() && Clock::now() >= nextRestart_) {
    restartPath = restarts_.front();
  } else if (!scanWanted_) {
    return;
  }
  std::vector<std::string> owned;
  for (const auto& [path, monitor] : monitors_) owned.push_back(monitor->identity.usbSerial);
  std::optional<std::string> wanted;
  if (!restartPath.empty()) wanted = monitors_.at(restartPath)->identity.usbSerial;
  Json request = ask::claim(owned, wanted);
  try {
    claiming_ = Claiming{std::make_unique<WorkerProcess>(launch_), restartPath, Clock::now() + kClaimBound};
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vemod: %s\n", e.what());
    nextRestart_ = Clock::now() + kRetryPeriod;
    scanWanted_ = false;
    return;
  }
  if (!claiming_->worker->channel().send(request)) onClaimReply(Json{{"ok", false}});
}

void Supervisor::onClaimReply(const Json& reply) {
  Claiming claim = std::move(*claiming_);
  claiming_.reset();
  bool ok = succeeded(reply) && reply.contains("identity");
  if (claim.restartPath.empty()) {
    if (ok) {
      addMonitor(reply["identity"], std::move(claim.worker));
    } else {
      scanWanted_ = false;
    }
    return;
  }
  Monitor& monitor = *monitors_.at(claim.restartPath);
  if (ok) {
    restarts_.pop_front();
    std::fprintf(stderr, "vemod: the worker of monitor %s was restarted\n", monitor.identity.id.c_str());
    monitor.worker = std::move(claim.worker);
    dispatch(monitor);
    return;
  }
  nextRestart_ = Clock::now() + kRetryPeriod;
  monitor.queue.failAll(failure(bus::kBusy, "the monitor's bridge " + monitor.identity.usbSerial +
                                                " cannot be claimed again: in use by another program"));
}

void Supervisor::addMonitor(const Json& reported, std::unique_ptr<WorkerProcess> worker) {
  auto monitor = std::make_unique<Monitor>();
  monitor->identity = identityFrom(reported, [this](const std::string& id) {
    return std::any_of(monitors_.begin(), monitors_.end(),
                       [&id](const auto& entry) { return entry.second->identity.id == id; });
  });
  std::string path = objectPathFor(monitor->identity.id);
  monitor->worker = std::move(worker);
  Monitor& added = *monitor;
  monitor->object = std::make_unique<MonitorObject>(
      *connection_, added.identity,
      [this, path](Json request, Completion caller, const std::string& key) {
        automation_->clientRequest(path, request);
        submit(path, std::move(request), std::move(caller), key);
      },
      [this, &added](sdbus::IObject& o) { automation_->addMonitorMembers(o, added.identity.id); });
  monitors_[path] = std::move(monitor);
  manager_->monitorAdded(path);
  automation_->monitorAdded(path);
}

void Supervisor::reconcile() {
  nextReconcile_ = Clock::now() + kRetryPeriod;
  if (std::optional<std::set<std::string>> serials = census_->attachedSerials()) {
    std::vector<std::string> gone;
    for (const auto& [path, monitor] : monitors_) {
      if (serials->count(monitor->identity.usbSerial) == 0) gone.push_back(path);
    }
    for (const std::string& path : gone) removeMonitor(path, "its bridge was detached");
  }
  if (census_->attachedCount() > static_cast<int>(monitors_.size())) scanWanted_ = true;
}

Clock::time_point Supervisor::nextWake() const {
  Clock::time_point wake = automation_->nextWake(nextReconcile_);
  if (!restarts_.empty() && !claiming_) wake = std::min(wake, nextRestart_);
  if (claiming_) wake = std::min(wake, claiming_->deadline);
  for (const auto& [path, monitor] : monitors_) {
    if (monitor->running) wake = std::min(wake, monitor->runningDeadline);
  }
  return wake;
}

void Supervisor::checkDeadlines() {
  Clock::time_point now = Clock::now();
  if (claiming_ && now >= claiming_->deadline) onClaimReply(Json{{"ok", false}});
  std::vector<std::string> stuck;
  for (const auto& [path, monitor] : monitors_) {
    if (monitor->running && now >= monitor->runningDeadline) stuck.push_back(path);
  }
  for (const std::string& path : stuck) onWorkerLost(path, "did not answer in time");
  if (now >= nextReconcile_) reconcile();
}

void Supervisor::serviceChannels() {
  if (claiming_) {
    bool closed = false;
    std::vector<Json> replies = claiming_->worker->channel().receiveAvailable(closed);
    if (!replies.empty()) {
      onClaimReply(replies.front());
    } else if (closed) {
      onClaimReply(Json{{"ok", false}});
    }
  }
  std::vector<std::string> paths;
  for (const auto& [path, monitor] : monitors_) paths.push_back(path);
  for (const std::string& path : paths) {
    auto found = monitors_.find(path);
    if (found == monitors_.end() || !found->second->worker) continue;
    bool closed = false;
    for (const Json& reply : found->second->worker->channel().receiveAvailable(closed)) {
      onWorkerReply(*found->second, reply);
    }
    if (closed) onWorkerLost(path, "stopped");
  }
}

// Another vemod on this bus: its PID, for the message that names it.
std::optional<std::uint32_t> Supervisor::otherService() {
  try {
    auto daemon = sdbus::createProxy(*connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bool owned = false;
    daemon->callMethod("NameHasOwner")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string(bus::kBusName))
        .storeResultsTo(owned);
    if (!owned) return std::nullopt;
    std::uint32_t pid = 0;
    daemon->callMethod("GetConnectionUnixProcessID")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string(bus::kBusName))
        .storeResultsTo(pid);
    return pid;
  } catch (const sdbus::Error&) {
    return std::nullopt;
  }
}

int Supervisor::run() {
  // A second vemod would compete with the first for every bridge.
  if (std::optional<std::uint32_t> pid = otherService()) {
    throw std::runtime_error("another vemod serves this session already (PID " + std::to_string(*pid) + ")");
  }
  int signals = blockedSignals();
  bool named = false;
  reconcile();
  while (true) {
    startClaim();
    // The name is taken once the monitors present at start are served.
    if (!named && !claiming_ && !scanWanted_) {
      try {
        connection_->requestName(bus::kBusName);
      } catch (const sdbus::Error&) {
        std::optional<std::uint32_t> pid = otherService();
        throw std::runtime_error("another vemod serves this session already" +
                                 (pid ? " (PID " + std::to_string(*pid) + ")" : std::string()));
      }
      named = true;
    }
    std::vector<pollfd> fds;
    sdbus::IConnection::PollData bus = connection_->getEventLoopPollData();
    fds.push_back({bus.fd, bus.events, 0});
    fds.push_back({signals, POLLIN, 0});
    if (census_->eventFd() >= 0) fds.push_back({census_->eventFd(), POLLIN, 0});
    if (claiming_) fds.push_back({claiming_->worker->channel().fd(), POLLIN, 0});
    for (const auto& [path, monitor] : monitors_) {
      if (monitor->worker) fds.push_back({monitor->worker->channel().fd(), POLLIN, 0});
    }
    automation_->addPollFds(fds);
    auto wait = std::chrono::duration_cast<milliseconds>(nextWake() - Clock::now());
    if (std::optional<std::chrono::microseconds> busWait = bus.getRelativeTimeout()) {
      wait = std::min(wait, std::chrono::duration_cast<milliseconds>(*busWait));
    }
    int timeout = static_cast<int>(std::max<long>(0, std::min<long>(wait.count(), 60000)));
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return 1;
    if (fds[1].revents & POLLIN) break;
    while (connection_->processPendingRequest()) {
    }
    if (census_->eventFd() >= 0 && census_->takeEvents()) reconcile();
    serviceChannels();
    checkDeadlines();
    automation_->process();
  }
  close(signals);
  return 0;
}

}  // namespace vemod
