// Sets up the simulated bridges when the library is loaded: standard bridges
// (monitor at 0x37, scaler at 0x4A) on the virtual HID bus, sharing their
// settings with every other process through the state file.
//
// Each I2C transfer runs under the state file's lock: the models are brought
// up to date with the file first (another process may have changed it) and
// what the transfer changed is saved before the lock is released, so no
// process's write is lost. A bridge is claimed by one handle at a time across
// all processes, as the USB stack does for a real one.
//
// Environment:
//   VEMO_SIM_STATE     the state file (default under $XDG_STATE_HOME or
//                      ~/.local/state: vemo/simulator.json)
//   VEMO_SIM_MONITORS  how many monitors are attached, 0 to 8 (default 1)
//   VEMO_SIM_REFUSE    comma-separated command codes every monitor refuses,
//                      for exercising failure paths (test use)
//   VEMO_SIM_IGNORE    comma-separated command codes whose writes every
//                      monitor acknowledges but does not store (test use)
//   VEMO_SIM_FAST      skip the library's waits (test use; see sleep.cpp)
//   VEMO_SIM_SERIAL_NUMBERS
//                      comma-separated serial numbers of monitors 0, 1, ...
//                      in turn, an empty entry keeping the default: two
//                      monitors that report one serial number (test use)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "sim/preload/bridge_claim.h"
#include "sim/preload/environment.h"
#include "sim/preload/persistent_targets.h"
#include "sim/preload/simulator_api.h"
#include "sim/preload/state_file.h"
#include "sim/virtual_hid_bus.h"

namespace vemo::sim {
namespace {

constexpr std::uint8_t kMaxCustomColorType = 3;
constexpr std::uint8_t kAssetTag = 0x00;
constexpr std::uint8_t kSerialNumber = 0x02;

struct SimulatedBridge {
  std::shared_ptr<PersistentMonitor> monitor;
  std::shared_ptr<PersistentScaler> scaler;
  std::shared_ptr<VirtualBridge> bridge;
  std::unique_ptr<BridgeClaim> claim;
};

// Bridge i has the USB serial VEMOSIM0000(i+1).
std::wstring serialOf(int index) {
  wchar_t serial[16];
  std::swprintf(serial, 16, L"VEMOSIM%05d", index + 1);
  return serial;
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A text field of the monitor: `width` bytes, padded with zeros.
Bytes field(const std::string& text, std::size_t width) {
  Bytes bytes(width, 0);
  std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin());
  return bytes;
}

// Monitor i is VM26123456(78+i) with asset tag ASSET-000(i+1): every monitor
// is told apart by its identity, as on a desk of real ones.
void giveIdentity(VirtualMonitor& monitor, int index) {
  std::vector<std::string> serials = textList("VEMO_SIM_SERIAL_NUMBERS");
  std::string serial = static_cast<std::size_t>(index) < serials.size() && !serials[index].empty()
                           ? serials[index]
                           : "VM" + std::to_string(2612345678LL + index);
  monitor.setFactoryValue(kSerialNumber, field(serial, 12));
  char tag[24];
  std::snprintf(tag, sizeof tag, "ASSET-%04d", index + 1);
  monitor.setFactoryValue(kAssetTag, field(tag, 10));
}

class Simulator {
 public:
  Simulator() : statePath_(defaultStatePath()) {
    TransferGuard guard = [this](const std::function<bool()>& transfer) { return guarded(transfer); };
    std::vector<std::uint8_t> refused = commandCodes("VEMO_SIM_REFUSE");
    std::vector<std::uint8_t> ignored = commandCodes("VEMO_SIM_IGNORE");
    auto report = [this](const std::string& message) { reportOnce(message); };
    for (int i = 0; i < monitorCount(); ++i) {
      auto monitor = std::make_shared<PersistentMonitor>(guard);
      auto scaler = std::make_shared<PersistentScaler>(guard);
      SimulatedBridge s{
          monitor, scaler, makeStandardBridge(monitor, scaler).bridge,
          std::make_unique<BridgeClaim>(statePath_ + "." + narrow(serialOf(i)) + ".lock", report)};
      // An application may run for days: keep no record of its traffic.
      s.bridge->setRecording(false);
      s.monitor->setRecording(false);
      giveIdentity(*s.monitor, i);
      s.monitor->enforceCapabilities(true);
      for (std::uint8_t code : refused) s.monitor->refuse(code);
      for (std::uint8_t code : ignored) s.monitor->ignoreWrites(code);
      bridges_.push_back(std::move(s));
    }
    for (std::size_t i = 0; i < bridges_.size(); ++i) {
      int index = static_cast<int>(i);
      VirtualHidDevice& device = VirtualHidBus::instance().addBridge("sim:bridge-" + std::to_string(index),
                                                                     serialOf(index), bridges_[i].bridge);
      device.recordTimeouts = false;
      BridgeClaim* claim = bridges_[i].claim.get();
      device.claim = [this, claim] {
        prepareDirectory();
        return claim->claim();
      };
      device.release = [claim] { claim->release(); };
    }
  }

  const std::string& statePath() const { return statePath_; }

  // Factory state for every monitor, the file replaced whatever it held.
  bool reset() {
    std::string error;
    std::optional<FileLock> lock = lockState(error);
    if (!lock) {
      reportOnce(error);
      return false;
    }
    for (SimulatedBridge& s : bridges_) factoryState(s);
    detached_.clear();
    return save(toJson(capture()));
  }

 private:
  bool guarded(const std::function<bool()>& transfer) {
    std::string lockError;
    std::optional<FileLock> lock = lockState(lockError);
    if (!refresh()) return false;
    std::string before = toJson(capture());
    bool done = transfer();
    std::string after = toJson(capture());
    if (after == before) return done;
    // Without the lock nothing may be saved; the change is undone.
    if (!lock) reportOnce(lockError);
    if (!lock || !save(after)) {
      loaded_.reset();
      refresh();
      return false;
    }
    return done;
  }

  void prepareDirectory() {
    std::error_code ignored;
    std::filesystem::path parent = std::filesystem::path(statePath_).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  }

  // Reading needs no lock (a save replaces the file in one step), saving does.
  std::optional<FileLock> lockState(std::string& error) {
    prepareDirectory();
    return FileLock::acquire(statePath_ + ".lock", FileLock::Wait::Block, error);
  }

  // Brings the models up to date with the file, unless they already are.
  // False when the file cannot be read: it is left alone and nothing may
  // happen on the monitors.
  bool refresh() {
    std::optional<FileIdentity> now = identifyStateFile(statePath_);
    if (loaded_ && *loaded_ == now) return true;
    LoadedState loaded = loadStateFile(statePath_);
    switch (loaded.kind) {
      case LoadedState::Kind::Unreadable:
        loaded_.reset();
        reportOnce("cannot read the state file " + statePath_ + " (" + loaded.error +
                   "); it is left as it is and the simulated monitors do not answer");
        return false;
      case LoadedState::Kind::Corrupt:
        reportOnce("ignoring state file " + statePath_ + " (" + loaded.error + "); starting from defaults");
        break;
      case LoadedState::Kind::Missing:
      case LoadedState::Kind::Usable:
        break;
    }
    apply(loaded.state);
    loaded_ = loaded.identity;
    return true;
  }

  static void factoryState(SimulatedBridge& s) {
    s.monitor->resetToDefaults();
    s.scaler->restore({});
  }

  // Monitors the state does not know start from their defaults; those it
  // knows beyond the ones attached now are kept for a later run.
  void apply(const SimulatorState& state) {
    detached_.clear();
    for (std::size_t i = 0; i < state.size(); ++i) {
      if (i >= bridges_.size()) detached_.push_back(state[i]);
    }
    for (std::size_t i = 0; i < bridges_.size(); ++i) {
      factoryState(bridges_[i]);
      if (i < state.size()) apply(state[i], bridges_[i]);
    }
  }

  // Only settings the host can write, with their own width, are taken over;
  // the rest (identity, capabilities) belongs to the monitor itself.
  static void apply(const PersistentState& saved, SimulatedBridge& s) {
    for (const VirtualMonitor::CodeInfo& info : VirtualMonitor::knownCodes()) {
      auto value = saved.settings.find(info.code);
      if (info.writable && value != saved.settings.end() && value->second.size() == info.width) {
        s.monitor->setValue(info.code, value->second);
      }
    }
    for (const auto& [type, levels] : saved.customColors) s.monitor->setCustomColor(type, levels);
    s.scaler->restore(saved.scalerRegisters);
  }

  SimulatorState capture() const {
    SimulatorState state;
    for (const SimulatedBridge& s : bridges_) {
      PersistentState monitor;
      monitor.settings = s.monitor->values();
      for (std::uint8_t type = 0; type <= kMaxCustomColorType; ++type) {
        monitor.customColors[type] = s.monitor->customColor(type);
      }
      monitor.scalerRegisters = s.scaler->registers();
      state.push_back(std::move(monitor));
    }
    state.insert(state.end(), detached_.begin(), detached_.end());
    return state;
  }

  // Under the state lock only.
  bool save(const std::string& json) {
    std::string error;
    if (!saveStateFile(statePath_, json, error)) {
      reportOnce(error);
      return false;
    }
    loaded_ = identifyStateFile(statePath_);
    return true;
  }

  // One line on standard error for each problem, however often it recurs.
  void reportOnce(const std::string& message) {
    if (reported_.insert(message).second) std::fprintf(stderr, "vemo simulator: %s\n", message.c_str());
  }

  std::string statePath_;
  std::vector<SimulatedBridge> bridges_;
  std::vector<PersistentState> detached_;
  std::optional<std::optional<FileIdentity>> loaded_;  // the file version the models hold
  std::set<std::string> reported_;
};

// Never destroyed: the host may still call hidapi from its exit handlers.
Simulator* simulator = nullptr;

__attribute__((constructor)) void startSimulator() { simulator = new Simulator(); }

}  // namespace
}  // namespace vemo::sim

extern "C" const char* vemo_sim_state_path(void) { return vemo::sim::simulator->statePath().c_str(); }

extern "C" int vemo_sim_reset(void) { return vemo::sim::simulator->reset() ? 0 : -1; }
