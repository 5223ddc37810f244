// The requests waiting for one monitor, in arrival order. A write of a
// setting that is still waiting is replaced by a newer write of the same
// setting: the newer value goes to the end of the line and the callers of
// the replaced write wait for its outcome.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "service/src/worker_channel.h"

namespace vemod {

using Completion = std::function<void(const Json& reply)>;

struct Job {
  Json request;
  std::vector<Completion> callers;
  std::string coalesceKey;  // the setting a write changes; empty for other requests
};

class RequestQueue {
 public:
  void push(Json request, Completion caller, const std::string& coalesceKey = "");
  std::optional<Job> pop();
  bool empty() const { return jobs_.empty(); }
  // Every waiting caller gets `reply`; the queue is left empty.
  void failAll(const Json& reply);

 private:
  std::deque<Job> jobs_;
};

// Hands `reply` to every caller of the job.
void complete(Job& job, const Json& reply);

}  // namespace vemod
