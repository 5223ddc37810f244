// An advisory lock (flock) on a small file of its own, held for the lifetime
// of the object. The lock goes with the process: a crash releases it.
#pragma once

#include <optional>
#include <string>

namespace vemo::sim {

class FileLock {
 public:
  enum class Wait { Block, DontBlock };

  // The lock on `path`, created when missing. Nothing when the file cannot be
  // opened (`error` says why) or, with DontBlock, when someone else holds it
  // (`error` is then empty).
  static std::optional<FileLock> acquire(const std::string& path, Wait wait, std::string& error);

  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vemo::sim
