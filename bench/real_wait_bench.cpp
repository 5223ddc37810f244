// Ten SetBrightness calls against the virtual monitor with libc's real usleep:
// each call's wall time beside the 100 ms floor of the protocol (the monitor
// answers at the first poll, so one wait), and the CPU time the process spent
// as a share of the wall time. A wait that spun instead of sleeping would show
// as CPU time near 100 %. Ten bare usleep calls of 100 ms, measured the same
// way, show what the kernel's sleep and wake-up cost by themselves.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/support/results.h"
#include "bench/support/virtual_rig.h"
#include "include/VemoMonitorSdk.h"

namespace vemo::bench {
namespace {

constexpr int kCalls = 10;
constexpr double kFloorMicroseconds = 100000.0;  // one 100 ms wait before the one poll
constexpr double kAllowedOverFloorMicroseconds = 1000.0;
constexpr double kAllowedCpuPercent = 1.0;
constexpr const char* kName = "RealWait/SetBrightness";
constexpr const char* kBareName = "RealWait/bare_usleep_100ms";

double processCpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto micros = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
  return micros(usage.ru_utime) + micros(usage.ru_stime);
}

int setBrightness() { return SetBrightness(50); }
int bareSleep() { return usleep(static_cast<useconds_t>(kFloorMicroseconds)) == 0 ? STATUS_OK : -1; }

void runRealWait(benchmark::State& state, int (*call)()) {
  ConnectedMonitor rig(VEMO_LOG_OFF);
  if (!rig.connected()) {
    state.SkipWithError("could not connect to the virtual monitor");
    return;
  }
  // One call first, so that the figures do not include the first touch of the
  // code and data pages.
  if (call() != STATUS_OK) {
    state.SkipWithError("the call failed");
    return;
  }
  rig.forgetTraffic();
  using Clock = std::chrono::steady_clock;
  double wallTotal = 0;
  std::vector<double> walls;
  const double cpuStart = processCpuMicroseconds();
  for (auto _ : state) {
    auto start = Clock::now();
    int result = call();
    double wall = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (result != STATUS_OK) {
      state.SkipWithError("the call failed");
      break;
    }
    wallTotal += wall;
    walls.push_back(wall);
    rig.forgetTraffic();
  }
  const double cpu = processCpuMicroseconds() - cpuStart;
  if (walls.empty()) return;
  std::sort(walls.begin(), walls.end());
  if (walls.front() < kFloorMicroseconds) state.SkipWithError("a call returned before its 100 ms wait");
  const double calls = static_cast<double>(state.iterations());
  state.counters["wall_per_call_us"] = wallTotal / calls;
  state.counters["mean_over_floor_us"] = wallTotal / calls - kFloorMicroseconds;
  state.counters["median_over_floor_us"] = walls[walls.size() / 2] - kFloorMicroseconds;
  state.counters["worst_over_floor_us"] = walls.back() - kFloorMicroseconds;
  state.counters["cpu_per_call_us"] = cpu / calls;
  state.counters["cpu_percent_of_wall"] = 100.0 * cpu / wallTotal;
}

int summarise(const RecordingReporter& results) {
  TargetTable table("Real waits: ten SetBrightness calls with the real 100 ms sleep");
  std::optional<double> wall = results.counter(kName, "wall_per_call_us");
  std::optional<double> mean = results.counter(kName, "mean_over_floor_us");
  std::optional<double> median = results.counter(kName, "median_over_floor_us");
  std::optional<double> worst = results.counter(kName, "worst_over_floor_us");
  std::optional<double> cpu = results.counter(kName, "cpu_per_call_us");
  std::optional<double> share = results.counter(kName, "cpu_percent_of_wall");
  auto below = [](std::optional<double> v, double limit) {
    return v ? std::optional<bool>(*v < limit) : std::nullopt;
  };
  table.row("wall time per call (mean)", wall, "us", "100000 + < 1000", std::nullopt);
  table.row("wall time above the 100 ms floor, mean", mean, "us", "< 1000 us",
            below(mean, kAllowedOverFloorMicroseconds));
  // The worst single call also carries whatever else the machine was doing
  // (scheduling delay after the wake-up), so it is shown without a verdict.
  table.row("wall time above the 100 ms floor, median call", median, "us", "", std::nullopt);
  table.row("wall time above the 100 ms floor, worst call", worst, "us", "", std::nullopt);
  table.row("process CPU time per call (getrusage)", cpu, "us", "", std::nullopt);
  table.row("process CPU time as share of wall time", share, "%", "< 1 %", below(share, kAllowedCpuPercent));
  table.row("  for comparison, a bare usleep(100 ms): above the floor, mean",
            results.counter(kBareName, "mean_over_floor_us"), "us", "", std::nullopt);
  table.row("  for comparison, a bare usleep(100 ms): above the floor, worst",
            results.counter(kBareName, "worst_over_floor_us"), "us", "", std::nullopt);
  table.row("  for comparison, a bare usleep(100 ms): process CPU time",
            results.counter(kBareName, "cpu_per_call_us"), "us", "", std::nullopt);
  return table.missed();
}

}  // namespace
}  // namespace vemo::bench

int main(int argc, char** argv) {
  struct Measured {
    const char* name;
    int (*call)();
  };
  for (const Measured& m : {Measured{vemo::bench::kName, vemo::bench::setBrightness},
                            Measured{vemo::bench::kBareName, vemo::bench::bareSleep}}) {
    benchmark::RegisterBenchmark(m.name, vemo::bench::runRealWait, m.call)
        ->Iterations(vemo::bench::kCalls)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MeasureProcessCPUTime();
  }
  vemo::bench::RecordingReporter reporter;
  vemo::bench::runBenchmarks(&argc, argv, reporter);
  int missed = vemo::bench::summarise(reporter);
  std::printf("\n%d target(s) missed%s\n", missed,
              reporter.anyErrors() ? "; the benchmark FAILED (see the ERROR line above)" : "");
  return reporter.anyErrors() ? 1 : 0;
}
