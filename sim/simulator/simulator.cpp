// Sets up the simulated bridge when the library is loaded: one standard bridge
// (monitor at 0x37, scaler at 0x4A) on the virtual HID bus, its settings
// loaded from the state file and saved back whenever a write changes them.
//
// Environment:
//   VEMO_SIM_STATE     the state file (default under $XDG_STATE_HOME or
//                      ~/.local/state: vemo/simulator.json)
//   VEMO_SIM_MONITORS  0 simulates a machine without a monitor (default 1)
//   VEMO_SIM_REFUSE    comma-separated command codes the monitor refuses,
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

constexpr const char* kBridgePath = "sim:bridge-0";
constexpr const wchar_t* kBridgeSerial = L"VEMOSIM00001";
constexpr std::uint8_t kMaxCustomColorType = 3;

class Simulator {
 public:
  Simulator() : statePath_(defaultStatePath()) {
    auto changed = [this] { save(); };
    monitor_ = std::make_shared<PersistentMonitor>(changed);
    scaler_ = std::make_shared<PersistentScaler>(changed);
    bridge_ = std::make_shared<VirtualBridge>();
    bridge_->attach(0x37, monitor_);
    bridge_->attach(0x4A, scaler_);
    load();
    applyRefusals();
    if (monitorCount() > 0) VirtualHidBus::instance().addBridge(kBridgePath, kBridgeSerial, bridge_);
  }

  const std::string& statePath() const { return statePath_; }

  bool reset() {
    monitor_->resetToDefaults();
    for (int r = 0; r < 256; ++r) scaler_->setReg(static_cast<std::uint8_t>(r), 0);
    lastSaved_.clear();
    return save();
  }

 private:
  static int monitorCount() {
    const char* count = std::getenv("VEMO_SIM_MONITORS");
    return count != nullptr && std::string(count) == "0" ? 0 : 1;
  }

  void applyRefusals() {
    const char* list = std::getenv("VEMO_SIM_REFUSE");
    if (list == nullptr) return;
    std::stringstream codes(list);
    std::string code;
    while (std::getline(codes, code, ',')) {
      char* end = nullptr;
      unsigned long value = std::strtoul(code.c_str(), &end, 0);
      if (!code.empty() && *end == '\0' && value <= 0xFF) {
        monitor_->refuse(static_cast<std::uint8_t>(value));
      }
    }
  }

  PersistentState capture() const {
    PersistentState state;
    state.settings = monitor_->values();
    for (std::uint8_t type = 0; type <= kMaxCustomColorType; ++type) {
      state.customColors[type] = monitor_->customColor(type);
    }
    for (int r = 0; r < 256; ++r) state.scalerRegisters[r] = scaler_->reg(static_cast<std::uint8_t>(r));
    return state;
  }

  void apply(const PersistentState& state) {
    // Only codes the model knows, with their own width, are taken over; the
    // rest keeps its default.
    for (const VirtualMonitor::CodeInfo& info : VirtualMonitor::knownCodes()) {
      auto saved = state.settings.find(info.code);
      if (saved != state.settings.end() && saved->second.size() == info.width) {
        monitor_->setValue(info.code, saved->second);
      }
    }
    for (const auto& [type, levels] : state.customColors) monitor_->setCustomColor(type, levels);
    for (int r = 0; r < 256; ++r) {
      scaler_->setReg(static_cast<std::uint8_t>(r), state.scalerRegisters[r]);
    }
  }

  void load() {
    std::string error;
    auto state = loadStateFile(statePath_, error);
    if (state) {
      apply(*state);
      lastSaved_ = toJson(capture());
    } else if (!error.empty()) {
      std::fprintf(stderr, "vemo simulator: ignoring state file %s (%s); starting from defaults\n",
                   statePath_.c_str(), error.c_str());
    }
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
  std::shared_ptr<PersistentMonitor> monitor_;
  std::shared_ptr<PersistentScaler> scaler_;
  std::shared_ptr<VirtualBridge> bridge_;
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
