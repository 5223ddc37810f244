#include "service/src/simulator_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vemod {
namespace {

namespace fs = std::filesystem;

std::string sanitizerRuntime() {
  void* init = dlsym(RTLD_DEFAULT, "__asan_init");
  Dl_info info{};
  if (init == nullptr || dladdr(init, &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

fs::path findLibrary() {
  if (const char* explicitPath = std::getenv("VEMO_SIM_LIBRARY"); explicitPath && *explicitPath) {
    if (!fs::exists(explicitPath))
      throw std::runtime_error(std::string("VEMO_SIM_LIBRARY: ") + explicitPath + " does not exist");
    return explicitPath;
  }
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  fs::path installed = self.parent_path() / VEMO_SIM_INSTALL_DIR / VEMO_SIM_LIBRARY_NAME;
  if (!ec && fs::exists(installed, ec)) return fs::canonical(installed, ec);
  if (fs::exists(VEMO_SIM_BUILD_PATH, ec)) return VEMO_SIM_BUILD_PATH;
  throw std::runtime_error(std::string("cannot find ") + VEMO_SIM_LIBRARY_NAME +
                           "; set VEMO_SIM_LIBRARY to its path");
}

}  // namespace

std::string simulatorPreload() {
  std::string preload = findLibrary().string();
  if (std::string runtime = sanitizerRuntime(); !runtime.empty()) preload = runtime + ":" + preload;
  return preload;
}

}  // namespace vemod
