#include "sim/preload/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace vemo::sim {
namespace {

constexpr int kFormat = 1;

std::string hexCode(std::uint8_t code) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", code);
  return text;
}

std::string toHex(const std::uint8_t* bytes, std::size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 0x0F];
  }
  return out;
}

bool fromHex(const std::string& text, std::uint8_t* bytes, std::size_t count) {
  if (text.size() != 2 * count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    unsigned value = 0;
    if (std::sscanf(text.c_str() + 2 * i, "%2x", &value) != 1) return false;
    bytes[i] = static_cast<std::uint8_t>(value);
  }
  return true;
}

// A number 0..255 written as decimal or 0x hex.
std::optional<std::uint8_t> parseByteKey(const std::string& key) {
  char* end = nullptr;
  unsigned long v = std::strtoul(key.c_str(), &end, 0);
  if (key.empty() || *end != '\0' || v > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(v);
}

}  // namespace

std::string toJson(const SimulatorState& state) {
  nlohmann::ordered_json json;
  json["format"] = kFormat;
  json["monitors"] = nlohmann::ordered_json::array();
  for (const PersistentState& monitor : state) {
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (const auto& [code, bytes] : monitor.settings) settings[hexCode(code)] = bytes;
    nlohmann::ordered_json colors = nlohmann::ordered_json::object();
    for (const auto& [type, levels] : monitor.customColors) colors[std::to_string(type)] = levels;
    json["monitors"].push_back(
        {{"settings", settings},
         {"custom-colors", colors},
         {"scaler-registers", toHex(monitor.scalerRegisters.data(), monitor.scalerRegisters.size())}});
  }
  return json.dump(2) + "\n";
}

std::optional<SimulatorState> fromJson(const std::string& text, std::string& error) {
  nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  if (json.value("format", 0) != kFormat) {
    error = "unknown format";
    return std::nullopt;
  }
  try {
    SimulatorState state;
    for (const nlohmann::json& saved : json.at("monitors")) {
      PersistentState monitor;
      for (const auto& [key, bytes] : saved.at("settings").items()) {
        auto code = parseByteKey(key);
        if (!code) throw std::runtime_error("bad command code " + key);
        monitor.settings[*code] = bytes.get<std::vector<std::uint8_t>>();
      }
      for (const auto& [key, levels] : saved.at("custom-colors").items()) {
        auto type = parseByteKey(key);
        if (!type) throw std::runtime_error("bad custom colour type " + key);
        monitor.customColors[*type] = levels.get<std::array<std::uint8_t, 6>>();
      }
      if (!fromHex(saved.at("scaler-registers").get<std::string>(), monitor.scalerRegisters.data(),
                   monitor.scalerRegisters.size())) {
        throw std::runtime_error("bad scaler registers");
      }
      state.push_back(std::move(monitor));
    }
    return state;
  } catch (const std::exception& e) {
    error = e.what();
    return std::nullopt;
  }
}

namespace {

FileIdentity identityOf(const struct stat& info) {
  return {static_cast<unsigned long>(info.st_dev), static_cast<unsigned long>(info.st_ino),
          static_cast<long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileIdentity> identifyStateFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return identityOf(info);
}

LoadedState loadStateFile(const std::string& path) {
  LoadedState loaded;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // ENOTDIR: a parent is a file, so there cannot be a state file either.
    if (errno == ENOENT || errno == ENOTDIR) return loaded;
    loaded.kind = LoadedState::Kind::Unreadable;
    loaded.error = std::strerror(errno);
    return loaded;
  }
  struct stat info {};
  std::string text;
  int problem = fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
  char buffer[4096];
  while (problem == 0) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      problem = errno;
    }
  }
  close(fd);
  if (problem != 0) {
    loaded.kind = LoadedState::Kind::Unreadable;
    loaded.error = std::strerror(problem);
    return loaded;
  }
  loaded.identity = identityOf(info);
  std::optional<SimulatorState> state = fromJson(text, loaded.error);
  if (!state) {
    loaded.kind = LoadedState::Kind::Corrupt;
    return loaded;
  }
  loaded.kind = LoadedState::Kind::Usable;
  loaded.state = std::move(*state);
  return loaded;
}

bool saveStateFile(const std::string& path, const std::string& json, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  fs::path temporary = target;
  temporary += ".tmp." + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << json;
    out.flush();
    if (!out) {
      error = "cannot write " + temporary.string();
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    error = "cannot replace " + path + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

std::string defaultStatePath() {
  if (const char* explicitPath = std::getenv("VEMO_SIM_STATE"); explicitPath && *explicitPath) {
    return explicitPath;
  }
  std::string base;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/state";
  } else {
    base = ".";
  }
  return base + "/vemo/simulator.json";
}

}  // namespace vemo::sim
