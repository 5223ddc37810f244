#include "tools/vemoctl/bridges/access.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "sim/preload/simulator_api.h"
#include "tools/vemoctl/bridges/diagnosis.h"

namespace vemoctl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRuleDirectories[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                            "/lib/udev/rules.d"};

// A simulated bridge's claim is a lock file beside the simulator's state file,
// named after the bridge's USB serial; a real bridge has its device node.
std::string nodeOf(const std::string& path, const std::string& serial) {
  if (path.rfind("sim:", 0) != 0) return deviceNodeOf(path);
  auto statePath = reinterpret_cast<const char* (*)()>(dlsym(RTLD_DEFAULT, kVemoSimStatePathSymbol));
  return statePath == nullptr ? "" : std::string(statePath()) + "." + serial + ".lock";
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The program's file name: a process that re-executed itself through
// /proc/self/exe has "exe" as its command name.
std::string programOf(const fs::path& process) {
  std::error_code ec;
  fs::path executable = fs::read_symlink(process / "exe", ec);
  if (!ec) return executable.filename().string();
  std::string command;
  std::getline(std::ifstream(process / "comm"), command);
  return command;
}

// Every other process with the node open, as far as /proc lets us see (not
// those of other users).
std::vector<Holder> holdersOf(const std::string& node) {
  std::vector<Holder> holders;
  struct stat target {};
  if (stat(node.c_str(), &target) != 0) return holders;
  std::error_code ec;
  for (const fs::directory_entry& process : fs::directory_iterator("/proc", ec)) {
    std::string name = process.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    int pid = std::stoi(name);
    if (pid == getpid()) continue;
    std::error_code fdError;
    for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
      struct stat open {};
      if (stat(fd.path().c_str(), &open) != 0 || !sameFile(open, target)) continue;
      holders.push_back({pid, programOf(process.path())});
      break;
    }
  }
  return holders;
}

bool ruleInstalled() {
  std::error_code ec;
  for (const char* directory : kRuleDirectories) {
    for (const fs::directory_entry& file : fs::directory_iterator(directory, ec)) {
      std::ifstream in(file.path());
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (text.find("\"0451\"") != std::string::npos && text.find("\"ca01\"") != std::string::npos)
        return true;
    }
  }
  return false;
}

// The node's POSIX access list (the "system.posix_acl_access" attribute:
// a 4-byte version, then 8-byte entries of tag, permissions and id) has a
// read-write entry for this user, as systemd's uaccess writes it.
bool userInAccessList(const std::string& node) {
  constexpr std::uint16_t kUserTag = 0x02, kReadWrite = 0x06;
  std::uint8_t buffer[1024];
  ssize_t size = getxattr(node.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
  for (ssize_t offset = 4; size > 0 && offset + 8 <= size; offset += 8) {
    std::uint16_t tag = static_cast<std::uint16_t>(buffer[offset] | buffer[offset + 1] << 8);
    std::uint16_t permissions = static_cast<std::uint16_t>(buffer[offset + 2] | buffer[offset + 3] << 8);
    std::uint32_t id = buffer[offset + 4] | buffer[offset + 5] << 8 | buffer[offset + 6] << 16 |
                       static_cast<std::uint32_t>(buffer[offset + 7]) << 24;
    if (tag == kUserTag && id == getuid() && (permissions & kReadWrite) == kReadWrite) return true;
  }
  return false;
}

}  // namespace

BridgeAccess examineBridge(const std::string& path, const std::string& serial) {
  BridgeAccess access;
  access.node = nodeOf(path, serial);
  if (access.node.empty()) return access;
  access.holders = holdersOf(access.node);
  access.permissionDenied = ::access(access.node.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
  if (access.permissionDenied) {
    access.udevRuleInstalled = ruleInstalled();
    access.userInAccessList = userInAccessList(access.node);
  }
  return access;
}

}  // namespace vemoctl
