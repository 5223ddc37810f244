// Resident set size before and after 100,000 exchanges on the virtual clock,
// a mix of the four kinds of call, at log level OFF and at TRACE. The device
// model's traffic records are dropped as it goes, so that only the library
// (and the model's steady working set) stays resident.
#include <algorithm>
#include <cstdint>
#include <string>

#include "bench/suites.h"
#include "bench/support/virtual_rig.h"
#include "include/VemoMonitorSdk.h"

namespace vemo::bench {
namespace {

constexpr int kExchanges = 100000;
constexpr int kWarmUpExchanges = 1000;

struct LogLevel {
  const char* name;
  unsigned char level;
};
const LogLevel kLevels[] = {{"OFF", VEMO_LOG_OFF}, {"TRACE", VEMO_LOG_TRACE}};

std::string benchmarkName(const LogLevel& level) {
  return "Memory/" + std::to_string(kExchanges) + "_exchanges/log:" + level.name;
}

bool oneExchange(int i) {
  unsigned char byte = 0;
  std::uint32_t mask = 0;
  unsigned char serial[VEMO_SERIAL_RECORD_BYTES] = {};
  switch (i % 4) {
    case 0:
      return SetBrightness(static_cast<unsigned char>(i % 101)) == STATUS_OK;
    case 1:
      return GetBrightness(&byte) == STATUS_OK;
    case 2:
      return GetColorPreset(&mask) == STATUS_OK;
    default:
      return GetMonitorSerialNumber(serial) == STATUS_OK;
  }
}

void runMemory(benchmark::State& state, const LogLevel& level) {
  ConnectedMonitor rig(level.level);
  if (!rig.connected()) {
    state.SkipWithError("could not connect to the virtual monitor");
    return;
  }
  long before = 0;
  long peak = 0;
  long after = 0;
  for (auto _ : state) {
    // The first exchanges open the log file and touch the code and buffers
    // once; the figure that matters is what happens after that.
    for (int i = 0; i < kWarmUpExchanges; ++i) {
      if (!oneExchange(i)) state.SkipWithError("an exchange failed during warm-up");
      rig.forgetTraffic();
    }
    before = residentKiB();
    peak = before;
    for (int i = 0; i < kExchanges; ++i) {
      if (!oneExchange(i)) {
        state.SkipWithError("an exchange failed");
        break;
      }
      rig.forgetTraffic();
      if (i % 1000 == 0) peak = std::max(peak, residentKiB());
    }
    after = residentKiB();
    peak = std::max(peak, after);
  }
  state.counters["rss_before_KiB"] = static_cast<double>(before);
  state.counters["rss_after_KiB"] = static_cast<double>(after);
  state.counters["rss_peak_KiB"] = static_cast<double>(peak);
  state.counters["rss_growth_KiB"] = static_cast<double>(after - before);
}

}  // namespace

void registerMemoryBenchmarks() {
  for (const LogLevel& level : kLevels) {
    benchmark::RegisterBenchmark(benchmarkName(level).c_str(), runMemory, level)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
}

int summariseMemory(const RecordingReporter& results) {
  TargetTable table("Resident set size over " + std::to_string(kExchanges) +
                    " exchanges (virtual clock; target: constant)");
  for (const LogLevel& level : kLevels) {
    const std::string name = benchmarkName(level);
    std::string prefix = std::string("log ") + level.name + ": ";
    table.row(prefix + "resident before", results.counter(name, "rss_before_KiB"), "KiB", "", std::nullopt);
    table.row(prefix + "resident after", results.counter(name, "rss_after_KiB"), "KiB", "", std::nullopt);
    std::optional<double> growth = results.counter(name, "rss_growth_KiB");
    std::optional<double> peak = results.counter(name, "rss_peak_KiB");
    std::optional<double> before = results.counter(name, "rss_before_KiB");
    table.row(prefix + "growth (after - before)", growth, "KiB", "0",
              growth ? std::optional<bool>(*growth <= 0.0) : std::nullopt);
    table.row(prefix + "peak above before",
              peak && before ? std::optional<double>(*peak - *before) : std::nullopt, "KiB", "0",
              peak && before ? std::optional<bool>(*peak - *before <= 0.0) : std::nullopt);
  }
  return table.missed();
}

}  // namespace vemo::bench
