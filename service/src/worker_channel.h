// The supervisor and a worker talk over a socketpair, one JSON object per
// line in each direction: requests one way, their answers the other.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vemod {

using Json = nlohmann::json;

class LineChannel {
 public:
  explicit LineChannel(int fd) : fd_(fd) {}
  int fd() const { return fd_; }

  // False when the peer is gone.
  bool send(const Json& message);

  // Reads what is there without blocking; the complete messages received.
  // Sets `closed` when the peer has hung up.
  std::vector<Json> receiveAvailable(bool& closed);

  // Waits up to `timeout` (forever when empty) for one message. Nothing on
  // timeout; sets `closed` when the peer has hung up.
  std::optional<Json> receive(std::optional<std::chrono::milliseconds> timeout, bool& closed);

 private:
  std::optional<Json> takeLine();

  int fd_;
  std::string pending_;
};

}  // namespace vemod
