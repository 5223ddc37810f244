#include "tools/vemoctl/output/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/vemoctl/exit_codes.h"

namespace vemoctl {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what, int error) {
  throw ToolError(kExchangeFailed, "cannot write " + path + ": " + what + ": " + std::strerror(error));
}

bool writeAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

mode_t newFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void replaceFile(const std::string& path, const std::string& content) {
  std::filesystem::path target(path);
  // A leading dot keeps collectors that read *.prom from seeing the file
  // before it is complete.
  std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(temporary.data());
  if (fd < 0) fail(path, "cannot create a temporary file beside it", errno);
  // mkstemp makes the file private; a collector running as another user reads it.
  bool ok = fchmod(fd, newFileMode()) == 0 && writeAll(fd, content) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    fail(path, "writing " + temporary, error);
  }
}

}  // namespace vemoctl
