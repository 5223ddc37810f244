#include "service/src/supervisor/request_queue.h"

#include <algorithm>

namespace vemod {

void RequestQueue::push(Json request, Completion caller, const std::string& coalesceKey) {
  Job job{std::move(request), {std::move(caller)}, coalesceKey};
  if (!coalesceKey.empty()) {
    auto overtaken = std::find_if(jobs_.begin(), jobs_.end(), [&coalesceKey](const Job& waiting) {
      return waiting.coalesceKey == coalesceKey;
    });
    if (overtaken != jobs_.end()) {
      job.callers.insert(job.callers.begin(), overtaken->callers.begin(), overtaken->callers.end());
      jobs_.erase(overtaken);
    }
  }
  jobs_.push_back(std::move(job));
}

std::optional<Job> RequestQueue::pop() {
  if (jobs_.empty()) return std::nullopt;
  Job job = std::move(jobs_.front());
  jobs_.pop_front();
  return job;
}

void RequestQueue::failAll(const Json& reply) {
  std::deque<Job> jobs;
  jobs.swap(jobs_);
  for (Job& job : jobs) complete(job, reply);
}

void complete(Job& job, const Json& reply) {
  for (Completion& caller : job.callers) caller(reply);
}

}  // namespace vemod
