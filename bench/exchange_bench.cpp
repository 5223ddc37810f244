// CPU time of one exchange inside the library, with the 100 ms waits returning
// at once: four kinds of call at log level OFF and at TRACE. The same report
// traffic replayed straight into the device model, without the library, gives
// the share that hidapi's stand-in and the model take, which is subtracted.
#include <hidapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/suites.h"
#include "bench/support/virtual_rig.h"
#include "include/VemoMonitorSdk.h"
#include "tests/support/virtual_clock.h"

namespace vemo::bench {
namespace {

struct ExchangeCase {
  const char* name;
  const char* kind;
  int (*call)();
};

int setOneByte() { return SetBrightness(50); }
int getOneByte() {
  unsigned char value = 0;
  int result = GetBrightness(&value);
  benchmark::DoNotOptimize(value);
  return result;
}
int getThirtyTwoBits() {
  std::uint32_t value = 0;
  int result = GetColorPreset(&value);
  benchmark::DoNotOptimize(value);
  return result;
}
int getEighteenByteRecord() {
  unsigned char serial[VEMO_SERIAL_RECORD_BYTES] = {};
  int result = GetMonitorSerialNumber(serial);
  benchmark::DoNotOptimize(serial);
  return result;
}

const ExchangeCase kCases[] = {
    {"SetBrightness", "one-byte setter", setOneByte},
    {"GetBrightness", "one-byte getter", getOneByte},
    {"GetColorPreset", "32-bit getter", getThirtyTwoBits},
    {"GetMonitorSerialNumber", "18-byte record getter", getEighteenByteRecord},
};

struct LogLevel {
  const char* name;
  unsigned char level;
  double targetMicroseconds;
};
const LogLevel kLevels[] = {{"OFF", VEMO_LOG_OFF, 10.0}, {"TRACE", VEMO_LOG_TRACE, 50.0}};

std::string exchangeName(const ExchangeCase& c, const LogLevel& level) {
  return std::string("Exchange/") + c.name + "/log:" + level.name;
}
std::string modelName(const ExchangeCase& c) { return std::string("DeviceModel/") + c.name; }

void runExchange(benchmark::State& state, const ExchangeCase& c, const LogLevel& level) {
  ConnectedMonitor rig(level.level);
  if (!rig.connected()) {
    state.SkipWithError("could not connect to the virtual monitor");
    return;
  }
  test::VirtualClock::reset();
  for (auto _ : state) {
    if (c.call() != STATUS_OK) {
      state.SkipWithError("the exchange failed");
      break;
    }
    rig.forgetTraffic();
  }
  state.counters["polls"] = benchmark::Counter(static_cast<double>(test::VirtualClock::calls()),
                                               benchmark::Counter::kAvgIterations);
}

// The bridge reports one call of `c` sends, as the device model recorded them.
std::vector<sim::Report> capturedRequests(const ConnectedMonitor& rig, const ExchangeCase& c) {
  rig.forgetTraffic();
  if (c.call() != STATUS_OK) return {};
  std::vector<sim::Report> requests = rig.device().bridge->requests();
  rig.forgetTraffic();
  return requests;
}

void runDeviceModelAlone(benchmark::State& state, const ExchangeCase& c) {
  ConnectedMonitor rig(VEMO_LOG_OFF);
  std::vector<sim::Report> requests = capturedRequests(rig, c);
  if (!rig.connected() || requests.empty()) {
    state.SkipWithError("could not capture the exchange's traffic");
    return;
  }
  unsigned char reply[64];
  for (auto _ : state) {
    for (const sim::Report& request : requests) {
      if (hid_write(SelectedDevice, request.data(), request.size()) <= 0 ||
          hid_read_timeout(SelectedDevice, reply, sizeof reply, 2000) <= 0) {
        state.SkipWithError("the device model did not answer the replayed report");
        return;
      }
    }
    benchmark::DoNotOptimize(reply);
    rig.forgetTraffic();
  }
  state.counters["reports"] = static_cast<double>(requests.size());
}

}  // namespace

void registerExchangeBenchmarks() {
  for (const ExchangeCase& c : kCases) {
    for (const LogLevel& level : kLevels) {
      benchmark::RegisterBenchmark(exchangeName(c, level).c_str(), runExchange, c, level)
          ->Unit(benchmark::kMicrosecond);
    }
  }
  for (const ExchangeCase& c : kCases) {
    benchmark::RegisterBenchmark(modelName(c).c_str(), runDeviceModelAlone, c)->Unit(benchmark::kMicrosecond);
  }
}

int summariseExchanges(const RecordingReporter& results) {
  TargetTable table(
      "CPU time per exchange inside the library (virtual clock; device model's share "
      "subtracted)");
  for (const LogLevel& level : kLevels) {
    for (const ExchangeCase& c : kCases) {
      std::optional<double> total = results.cpuMicroseconds(exchangeName(c, level));
      std::optional<double> model = results.cpuMicroseconds(modelName(c));
      std::optional<double> library;
      if (total && model) library = *total - *model;
      std::string what = std::string(c.name) + " (" + c.kind + "), log " + level.name;
      char target[32];
      std::snprintf(target, sizeof target, "< %.0f us", level.targetMicroseconds);
      table.row(what, library, "us", target,
                library ? std::optional<bool>(*library < level.targetMicroseconds) : std::nullopt);
    }
  }
  for (const ExchangeCase& c : kCases) {
    table.row(std::string("  device model alone, ") + c.name, results.cpuMicroseconds(modelName(c)), "us",
              "(subtracted)", std::nullopt);
  }
  return table.missed();
}

}  // namespace vemo::bench
