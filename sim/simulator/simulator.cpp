// Sets up the simulated bridges when the library is loaded: standard bridges
// (monitor at 0x37, scaler at 0x4A) on the virtual HID bus, their settings
// loaded from the state file and saved back whenever a write changes them.
//
// Environment:
//   VEMO_SIM_STATE     the state file (default under $XDG_STATE_HOME or
//                      ~/.local/state: vemo/simulator.json)
//   VEMO_SIM_MONITORS  how many monitors are attached, 0 to 8 (default 1)
//   VEMO_SIM_REFUSE    comma-separated command codes every monitor refuses,
//                      for exercising failure paths (test use)
//   VEMO_SIM_FAST      skip the library's waits (test use; see sleep.cpp)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "sim/simulator/persistent_targets.h"
#include "sim/simulator/simulator_api.h"
#include "sim/simulator/state_file.h"
#include "sim/virtual_hid_bus.h"

namespace vemo::sim {
namespace {

constexpr std::uint8_t kMaxCustomColorType = 3;
constexpr int kMaxMonitors = 8;

struct SimulatedBridge {
  std::shared_ptr<PersistentMonitor> monitor;
  std::shared_ptr<PersistentScaler> scaler;
  std::shared_ptr<VirtualBridge> bridge;
};

int monitorCount() {
  const char* count = std::getenv("VEMO_SIM_MONITORS");
  if (count == nullptr || *count == '\0') return 1;
  char* end = nullptr;
  long n = std::strtol(count, &end, 10);
  if (*end != '\0' || n < 0 || n > kMaxMonitors) {
    std::fprintf(stderr, "vemo simulator: VEMO_SIM_MONITORS must be 0 to %d; using 1\n", kMaxMonitors);
    return 1;
  }
  return static_cast<int>(n);
}

std::vector<std::uint8_t> refusedCodes() {
  std::vector<std::uint8_t> codes;
  const char* list = std::getenv("VEMO_SIM_REFUSE");
  if (list == nullptr) return codes;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    char* end = nullptr;
    unsigned long value = std::strtoul(item.c_str(), &end, 0);
    if (!item.empty() && *end == '\0' && value <= 0xFF) codes.push_back(static_cast<std::uint8_t>(value));
  }
  return codes;
}

// Bridge i has the USB serial VEMOSIM0000(i+1).
std::wstring serialOf(int index) {
  wchar_t serial[16];
  std::swprintf(serial, 16, L"VEMOSIM%05d", index + 1);
  return serial;
}

class Simulator {
 public:
  Simulator() : statePath_(defaultStatePath()) {
    auto changed = [this] { save(); };
    std::vector<std::uint8_t> refused = refusedCodes();
    for (int i = monitorCount(); i > 0; --i) {
      SimulatedBridge s{std::make_shared<PersistentMonitor>(changed),
                        std::make_shared<PersistentScaler>(changed), std::make_shared<VirtualBridge>()};
      s.bridge->attach(0x37, s.monitor);
      s.bridge->attach(0x4A, s.scaler);
      // An application may run for days: keep no record of its traffic.
      s.bridge->setRecording(false);
      s.monitor->setRecording(false);
      for (std::uint8_t code : refused) s.monitor->refuse(code);
      bridges_.push_back(std::move(s));
    }
    load();
    for (std::size_t i = 0; i < bridges_.size(); ++i) {
      int index = static_cast<int>(i);
      VirtualHidBus::instance()
          .addBridge("sim:bridge-" + std::to_string(index), serialOf(index), bridges_[i].bridge)
          .recordTimeouts = false;
    }
  }

  const std::string& statePath() const { return statePath_; }

  bool reset() {
    for (SimulatedBridge& s : bridges_) {
      s.monitor->resetToDefaults();
      for (int r = 0; r < 256; ++r) s.scaler->setReg(static_cast<std::uint8_t>(r), 0);
    }
    detached_.clear();
    lastSaved_.clear();
    return save();
  }

 private:
  SimulatorState capture() const {
    SimulatorState state;
    for (const SimulatedBridge& s : bridges_) {
      PersistentState monitor;
      monitor.settings = s.monitor->values();
      for (std::uint8_t type = 0; type <= kMaxCustomColorType; ++type) {
        monitor.customColors[type] = s.monitor->customColor(type);
      }
      for (int r = 0; r < 256; ++r) monitor.scalerRegisters[r] = s.scaler->reg(static_cast<std::uint8_t>(r));
      state.push_back(std::move(monitor));
    }
    state.insert(state.end(), detached_.begin(), detached_.end());
    return state;
  }

  // Only codes the model knows, with their own width, are taken over; the
  // rest keeps its default.
  static void apply(const PersistentState& saved, SimulatedBridge& s) {
    for (const VirtualMonitor::CodeInfo& info : VirtualMonitor::knownCodes()) {
      auto value = saved.settings.find(info.code);
      if (value != saved.settings.end() && value->second.size() == info.width) {
        s.monitor->setValue(info.code, value->second);
      }
    }
    for (const auto& [type, levels] : saved.customColors) s.monitor->setCustomColor(type, levels);
    for (int r = 0; r < 256; ++r) s.scaler->setReg(static_cast<std::uint8_t>(r), saved.scalerRegisters[r]);
  }

  void load() {
    std::string error;
    auto state = loadStateFile(statePath_, error);
    if (!state) {
      if (!error.empty()) {
        std::fprintf(stderr, "vemo simulator: ignoring state file %s (%s); starting from defaults\n",
                     statePath_.c_str(), error.c_str());
      }
      return;
    }
    // Monitors the file does not know start from their defaults; those it
    // knows beyond the ones attached now are kept for a later run.
    for (std::size_t i = 0; i < state->size(); ++i) {
      if (i < bridges_.size()) {
        apply((*state)[i], bridges_[i]);
      } else {
        detached_.push_back((*state)[i]);
      }
    }
    if (state->size() >= bridges_.size()) lastSaved_ = toJson(capture());
  }

  bool save() {
    std::string json = toJson(capture());
    if (json == lastSaved_) return true;
    std::string error;
    if (!saveStateFile(statePath_, json, error)) {
      if (!warned_) std::fprintf(stderr, "vemo simulator: %s\n", error.c_str());
      warned_ = true;
      return false;
    }
    lastSaved_ = std::move(json);
    return true;
  }

  std::string statePath_;
  std::vector<SimulatedBridge> bridges_;
  std::vector<PersistentState> detached_;
  std::string lastSaved_;
  bool warned_ = false;
};

// Never destroyed: the host may still call hidapi from its exit handlers.
Simulator* simulator = nullptr;

__attribute__((constructor)) void startSimulator() { simulator = new Simulator(); }

}  // namespace
}  // namespace vemo::sim

extern "C" const char* vemo_sim_state_path(void) { return vemo::sim::simulator->statePath().c_str(); }

extern "C" int vemo_sim_reset(void) { return vemo::sim::simulator->reset() ? 0 : -1; }
