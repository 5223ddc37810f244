// vemod: every monitor on the session bus. The same program is the
// supervisor and, started with --worker by the supervisor, one monitor's worker.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "catalogue/models.h"
#include "contract/bus.h"
#include "service/src/automation/scaled_clock.h"
#include "service/src/simulator_library.h"
#include "service/src/supervisor/supervisor.h"
#include "service/src/worker/worker.h"

namespace {

constexpr int kWorkerChannelFd = 3;

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{std::string("vemod: the monitors on the session bus as ") + vemo::bus::kBusName};
  bool simulate = false;
  bool worker = false;
  unsigned hold = 5;
  app.add_flag("--simulate", simulate,
               "serve simulated monitors instead of USB ones: VEMO_SIM_MONITORS of them (0 to 8, default 1), "
               "their settings kept in VEMO_SIM_STATE");
  app.add_option("--hold", hold, "release a monitor's bridge after this many idle seconds (0: never)")
      ->capture_default_str();
  app.add_flag("--worker", worker, "internal: serve one monitor for the supervisor")->group("");
  double timeScale = 1.0;
  app.add_option("--time-scale", timeScale, "tests: run the automation's clock this many times faster")
      ->check(CLI::PositiveNumber)
      ->group("");
  app.set_version_flag("--version", "vemod " VEMOD_VERSION);
  app.footer("See vemod(1).");
  CLI11_PARSE(app, argc, argv);
  vemo::catalogue::addModelDirectoriesBesideProgram({VEMO_MODELS_BUILD_DIR, VEMO_MODELS_INSTALL_DIR});

  if (worker) return vemod::runWorker(kWorkerChannelFd, std::chrono::seconds(hold));
  vemod::automation::ScaledClock::setScale(timeScale);
  try {
    vemod::WorkerLaunch launch;
    launch.executable = std::filesystem::read_symlink("/proc/self/exe").string();
    launch.hold = std::chrono::seconds(hold);
    if (simulate) launch.preload = vemod::simulatorPreload();
    vemod::Supervisor supervisor(launch, simulate ? vemod::simulatedCensus() : vemod::udevCensus());
    return supervisor.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vemod: %s\n", e.what());
    return 1;
  }
}
