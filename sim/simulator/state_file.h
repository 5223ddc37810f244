// The simulated monitor's persistent state and its JSON file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vemo::sim {

struct PersistentState {
  std::map<std::uint8_t, std::vector<std::uint8_t>> settings;        // by command code
  std::map<std::uint8_t, std::array<std::uint8_t, 6>> customColors;  // by type
  std::array<std::uint8_t, 256> scalerRegisters{};
};

// The state of every simulated monitor, in bridge order.
using SimulatorState = std::vector<PersistentState>;

std::string toJson(const SimulatorState& state);
// Nothing when the text is not a state file; `error` then says why.
std::optional<SimulatorState> fromJson(const std::string& text, std::string& error);

// Reads the file; nothing when it does not exist or cannot be used (`error`
// is then empty for a missing file, or the reason).
std::optional<SimulatorState> loadStateFile(const std::string& path, std::string& error);
// Writes the file through a temporary one, so a reader never sees half a file.
bool saveStateFile(const std::string& path, const std::string& json, std::string& error);

// $VEMO_SIM_STATE, else $XDG_STATE_HOME/vemo/simulator.json, else
// ~/.local/state/vemo/simulator.json.
std::string defaultStatePath();

}  // namespace vemo::sim
