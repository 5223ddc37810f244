#include "service/src/worker_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vemod {

bool LineChannel::send(const Json& message) {
  std::string line = message.dump(-1, ' ', true, Json::error_handler_t::replace) + "\n";
  std::size_t sent = 0;
  while (sent < line.size()) {
    ssize_t n = ::send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd p{fd_, POLLOUT, 0};
      ::poll(&p, 1, 1000);
      continue;
    }
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<Json> LineChannel::takeLine() {
  while (true) {
    auto end = pending_.find('\n');
    if (end == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    Json message = Json::parse(line, nullptr, false);
    if (!message.is_discarded() && message.is_object()) return message;
  }
}

std::vector<Json> LineChannel::receiveAvailable(bool& closed) {
  std::vector<Json> messages;
  char buffer[4096];
  while (true) {
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n <= 0) {
      closed = true;
      break;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
  while (auto message = takeLine()) messages.push_back(std::move(*message));
  return messages;
}

std::optional<Json> LineChannel::receive(std::optional<std::chrono::milliseconds> timeout, bool& closed) {
  auto deadline = std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds(0));
  while (true) {
    if (auto message = takeLine()) return message;
    int wait = -1;
    if (timeout) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      wait = static_cast<int>(left.count());
    }
    pollfd p{fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return std::nullopt;
    char buffer[4096];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closed = true;
      return std::nullopt;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace vemod
