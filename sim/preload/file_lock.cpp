#include "sim/preload/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vemo::sim {

std::optional<FileLock> FileLock::acquire(const std::string& path, Wait wait, std::string& error) {
  error.clear();
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A lock file made earlier still serves in a directory that became read-only.
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  int operation = LOCK_EX | (wait == Wait::DontBlock ? LOCK_NB : 0);
  int locked;
  while ((locked = flock(fd, operation)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    if (errno != EWOULDBLOCK) error = "cannot lock " + path + ": " + std::strerror(errno);
    close(fd);
    return std::nullopt;
  }
  return FileLock(fd);
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace vemo::sim
