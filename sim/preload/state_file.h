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

// Which version of the file was read: a save replaces the file, so a new
// inode or modification time means someone else has changed it.
struct FileIdentity {
  unsigned long device = 0;
  unsigned long inode = 0;
  long long size = 0;
  long long modifiedNs = 0;
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size && modifiedNs == o.modifiedNs;
  }
  bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

struct LoadedState {
  enum class Kind {
    Missing,     // no file yet: factory state
    Usable,      // `state` holds what the file says
    Corrupt,     // the file is not a state file (`error`); a save replaces it
    Unreadable,  // the file is there but cannot be read (`error`); it must be left alone
  };
  Kind kind = Kind::Missing;
  SimulatorState state;
  std::string error;
  std::optional<FileIdentity> identity;  // of the file read, when there is one
};

LoadedState loadStateFile(const std::string& path);
// The identity of the file now, if there is one.
std::optional<FileIdentity> identifyStateFile(const std::string& path);
// Writes the file through a temporary one, so a reader never sees half a file.
bool saveStateFile(const std::string& path, const std::string& json, std::string& error);

// $VEMO_SIM_STATE, else $XDG_STATE_HOME/vemo/simulator.json, else
// ~/.local/state/vemo/simulator.json.
std::string defaultStatePath();

}  // namespace vemo::sim
