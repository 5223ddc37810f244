// A fresh temporary directory as the working directory for the lifetime of
// the object, so that the log file never lands in the caller's directory.
// The directory and everything in it go when the object does.
#pragma once

#include <string>

namespace vemo::test {

class ScratchDirectory {
 public:
  // Creates <temp>/<prefix>-XXXXXX and changes into it; throws
  // std::runtime_error when it cannot.
  explicit ScratchDirectory(const std::string& prefix);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string previous_;
  std::string path_;
};

}  // namespace vemo::test
