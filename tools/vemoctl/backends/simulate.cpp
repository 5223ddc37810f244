#include "tools/vemoctl/backends/simulate.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/preload/simulator_api.h"
#include "tools/vemoctl/exit_codes.h"

namespace vemoctl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kReexecMarker = "VEMOCTL_SIMULATOR_REEXEC";

// Next to the tool, in the build tree's layout or the installed one.
std::vector<fs::path> candidates() {
  std::vector<fs::path> paths;
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return paths;
  fs::path here = self.parent_path();
  paths.push_back(here / VEMO_SIM_BUILD_DIR / VEMO_SIM_LIBRARY_NAME);
  paths.push_back(here / VEMO_SIM_INSTALL_DIR / VEMO_SIM_LIBRARY_NAME);
  return paths;
}

// $VEMO_SIM_LIBRARY when set (it must exist), else the first candidate found.
fs::path findLibrary() {
  std::error_code ec;
  if (const char* explicitPath = std::getenv("VEMO_SIM_LIBRARY"); explicitPath && *explicitPath) {
    if (!fs::is_regular_file(explicitPath, ec)) {
      throw ToolError(kNoSimulator, std::string("VEMO_SIM_LIBRARY names ") + explicitPath +
                                        ", which does not exist or is not a file");
    }
    return fs::canonical(explicitPath, ec);
  }
  for (const fs::path& candidate : candidates()) {
    if (fs::exists(candidate, ec)) return fs::canonical(candidate, ec);
  }
  throw ToolError(kNoSimulator, std::string("cannot find ") + VEMO_SIM_LIBRARY_NAME +
                                    " next to vemoctl; set VEMO_SIM_LIBRARY to its path");
}

// A build with AddressSanitizer must keep its runtime first in the library
// list, ahead of anything preloaded.
std::string sanitizerRuntime() {
  void* init = dlsym(RTLD_DEFAULT, "__asan_init");
  Dl_info info{};
  if (init == nullptr || dladdr(init, &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

}  // namespace

std::string simulatorLibrary() { return findLibrary().string(); }

bool simulatorLoaded() { return dlsym(RTLD_DEFAULT, kVemoSimStatePathSymbol) != nullptr; }

void enterSimulator(char** argv) {
  if (simulatorLoaded()) return;
  if (std::getenv(kReexecMarker) != nullptr) {
    const char* preload = std::getenv("LD_PRELOAD");
    throw ToolError(kNoSimulator, "the simulator library did not load (LD_PRELOAD=" +
                                      std::string(preload ? preload : "") + ")");
  }
  fs::path library = findLibrary();
  std::string preload = library.string();
  if (std::string runtime = sanitizerRuntime(); !runtime.empty()) {
    preload = runtime + ":" + preload;
  }
  if (const char* existing = std::getenv("LD_PRELOAD"); existing && *existing) {
    preload += std::string(":") + existing;
  }
  setenv("LD_PRELOAD", preload.c_str(), 1);
  setenv(kReexecMarker, "1", 1);
  execv("/proc/self/exe", argv);
  throw ToolError(kNoSimulator, "cannot restart vemoctl under the simulator");
}

}  // namespace vemoctl
