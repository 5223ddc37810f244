// Discovery with 1, 10 and 100 HID devices listed: counting the bridges
// (AvailableDevices) and connecting to the last one and disconnecting again.
// One layout has a single bridge at the end of the list, the other makes every
// second device a bridge. Every benchmark checks that no device lacking the
// bridge's IDs was ever opened.
#include <hidapi.h>

#include <string>

#include "bench/suites.h"
#include "bench/support/virtual_rig.h"
#include "include/VemoMonitorSdk.h"

namespace vemo::bench {
namespace {

struct Layout {
  const char* name;
  int (*bridgesAmong)(int devices);
};
const Layout kLayouts[] = {
    {"one_bridge", [](int) { return 1; }},
    {"every_second_a_bridge", [](int devices) { return devices > 1 ? devices / 2 : 1; }},
};
constexpr int kDeviceCounts[] = {1, 10, 100};

enum class Operation { Count, ConnectDisconnect, DeviceModelAlone };

const char* operationName(Operation op) {
  switch (op) {
    case Operation::Count:
      return "AvailableDevices";
    case Operation::ConnectDisconnect:
      return "ConnectMonitor+DisconnectMonitor";
    case Operation::DeviceModelAlone:
      return "DeviceModelAlone";
  }
  return "";
}

std::string familyName(Operation op, const Layout& layout) {
  return std::string("Discovery/") + operationName(op) + "/" + layout.name;
}

// The hidapi traffic of one count, straight into the device model: the
// enumeration, and an open, a feature request and a close per candidate.
int countWithoutLibrary() {
  hid_device_info* devices = hid_enumerate(0, 0);
  int found = 0;
  for (hid_device_info* it = devices; it != nullptr; it = it->next) {
    if (it->vendor_id != sim::kBridgeVendorId || it->product_id != sim::kBridgeProductId) continue;
    hid_device* handle = hid_open_path(it->path);
    if (handle == nullptr) continue;
    unsigned char answer[3] = {};
    if (hid_get_feature_report(handle, answer, sizeof answer) > 0) ++found;
    hid_close(handle);
  }
  hid_free_enumeration(devices);
  return found;
}

bool runOnce(Operation op, int bridges) {
  switch (op) {
    case Operation::Count:
      return AvailableDevices() == bridges;
    case Operation::ConnectDisconnect: {
      bool connected = ConnectMonitor(static_cast<unsigned char>(bridges - 1)) == STATUS_OK;
      DisconnectMonitor();
      return connected;
    }
    case Operation::DeviceModelAlone:
      return countWithoutLibrary() == bridges;
  }
  return false;
}

void runDiscovery(benchmark::State& state, Operation op, const Layout& layout) {
  const int devices = static_cast<int>(state.range(0));
  const int bridges = layout.bridgesAmong(devices);
  PopulatedBus bus(devices, bridges);
  for (auto _ : state) {
    if (!runOnce(op, bridges)) {
      state.SkipWithError("discovery did not find the bridges it should");
      break;
    }
    bus.forgetTraffic();
  }
  state.SetComplexityN(devices);
  state.counters["bridges"] = bridges;
  state.counters["per_device"] =
      benchmark::Counter(static_cast<double>(devices),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bridge_opens"] =
      benchmark::Counter(static_cast<double>(bus.bridgeOpens()), benchmark::Counter::kAvgIterations);
  state.counters["foreign_opens"] = bus.foreignOpens();
  if (bus.foreignOpens() != 0) state.SkipWithError("a device without the bridge's IDs was opened");
  if (bus.openHandles() != 0) state.SkipWithError("discovery left a handle open");
}

}  // namespace

void registerDiscoveryBenchmarks() {
  for (Operation op : {Operation::Count, Operation::ConnectDisconnect, Operation::DeviceModelAlone}) {
    for (const Layout& layout : kLayouts) {
      auto* b = benchmark::RegisterBenchmark(familyName(op, layout).c_str(), runDiscovery, op, layout);
      for (int count : kDeviceCounts) b->Arg(count);
      b->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
    }
  }
}

int summariseDiscovery(const RecordingReporter& results) {
  TargetTable table(
      "Discovery: CPU time per call by number of HID devices listed (target: linear; no "
      "device without the bridge's IDs opened)");
  int foreignOpens = 0;
  bool allMeasured = true;
  for (Operation op : {Operation::Count, Operation::ConnectDisconnect}) {
    for (const Layout& layout : kLayouts) {
      const std::string family = familyName(op, layout);
      for (int count : kDeviceCounts) {
        const std::string name = family + "/" + std::to_string(count);
        std::optional<double> opens = results.counter(name, "foreign_opens");
        if (opens) foreignOpens += static_cast<int>(*opens);
        allMeasured = allMeasured && opens.has_value();
        table.row(
            std::string(operationName(op)) + ", " + layout.name + ", " + std::to_string(count) + " devices",
            results.cpuMicroseconds(name), "us", "", std::nullopt);
      }
      // Linear: the cost per device listed stays level from 10 to 100 devices
      // (within a factor of 2; at 1 device the fixed part dominates).
      std::optional<double> at10 = results.cpuMicroseconds(family + "/10");
      std::optional<double> at100 = results.cpuMicroseconds(family + "/100");
      std::optional<double> growth;
      if (at10 && at100) growth = (*at100 / 100.0) / (*at10 / 10.0);
      table.row("  per-device cost at 100 / at 10 devices", growth, "x", "<= 2 (linear)",
                growth ? std::optional<bool>(*growth <= 2.0) : std::nullopt);
      if (op == Operation::Count) {
        std::optional<double> model =
            results.cpuMicroseconds(familyName(Operation::DeviceModelAlone, layout) + "/100");
        table.row("  the same hidapi calls straight into the device model, 100 devices", model, "us", "",
                  std::nullopt);
        table.row("  the library's own share at 100 devices",
                  at100 && model ? std::optional<double>(*at100 - *model) : std::nullopt, "us", "",
                  std::nullopt);
      }
      // The RMS run carries the relative deviation from the fitted line.
      const auto* rms = results.find(family + "_RMS");
      table.row("  deviation from a fitted O(N) line (RMS)",
                rms ? std::optional<double>(rms->GetAdjustedCPUTime() * 100.0) : std::nullopt, "%", "",
                std::nullopt);
    }
  }
  table.row("devices without the bridge's IDs opened",
            allMeasured ? std::optional<double>(foreignOpens) : std::nullopt, "", "0",
            allMeasured ? std::optional<bool>(foreignOpens == 0) : std::nullopt);
  return table.missed();
}

}  // namespace vemo::bench
