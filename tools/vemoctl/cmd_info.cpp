// vemoctl info: identity, backlight hours and the capability masks.
#include <iomanip>
#include <iostream>

#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/output.h"
#include "tools/vemoctl/session.h"

namespace vemoctl {
namespace {

constexpr const char* kIdentity[] = {"monitor-name", "serial-number", "asset-tag", "firmware-version",
                                     "backlight-hours"};
constexpr const char* kCapabilities[] = {"color-preset-caps", "color-temp-caps", "color-space-caps",
                                         "video-input-caps"};

std::string bitList(const std::vector<int>& bits) {
  std::string out;
  for (int bit : bits) out += (out.empty() ? "" : " ") + std::to_string(bit);
  return out.empty() ? "none" : out;
}

}  // namespace

int runInfo(const GlobalOptions& options) {
  Session session(options.monitor);
  Json json = Json::object();
  std::vector<std::pair<std::string, std::string>> lines;
  int failure = kOk;
  auto read = [&](const char* name) {
    clearBridgeError();
    Reading reading = readSetting(*findSetting(name));
    if (reading.result != 0) {
      printError(std::string("info: ") + name + ": " + describeFailure(reading.result, "read"));
      if (failure == kOk) failure = exitCodeFor(reading.result);
    }
    return reading;
  };

  for (const char* name : kIdentity) {
    Reading reading = read(name);
    if (reading.result != 0) continue;
    json[name] = reading.json;
    lines.emplace_back(name, reading.lines.front());
  }
  for (const char* name : kCapabilities) {
    Reading reading = read(name);
    if (reading.result != 0) continue;
    std::uint32_t mask = std::stoul(reading.json.get<std::string>(), nullptr, 16);
    std::vector<int> bits = bitsOf(mask);
    json[name] = Json{{"mask", reading.json}, {"bits", bits}};
    lines.emplace_back(name, reading.lines.front() + " (bits " + bitList(bits) + ")");
  }

  if (options.json) {
    printJson(json);
  } else {
    for (const auto& [name, value] : lines) {
      std::cout << std::left << std::setw(19) << (name + ":") << value << '\n';
    }
  }
  return failure;
}

}  // namespace vemoctl
