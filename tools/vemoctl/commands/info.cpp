// vemoctl info: identity, backlight hours and the capability masks.
#include <iomanip>
#include <iostream>

#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

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

std::vector<std::string> offeredNames(MonitorLink& link, const char* capabilities,
                                      const std::vector<int>& bits) {
  const ChoiceNames* names = nullptr;
  for (const Setting& setting : catalogue()) {
    if (setting.capabilities != nullptr && std::string(setting.capabilities) == capabilities) {
      names = choiceNamesOf(link, setting);
      break;
    }
  }
  std::vector<std::string> named;
  for (int bit : bits) {
    std::string name = choiceName(Value{std::uint32_t{1} << bit, {}, {}}, names);
    if (name.empty()) return {};
    named.push_back(name);
  }
  return named;
}

}  // namespace

int runInfo(const GlobalOptions& options, MonitorLink& link) {
  Json json = Json::object();
  std::vector<std::pair<std::string, std::string>> lines;
  int failure = kOk;
  auto read = [&](const char* name) {
    Readout reading = link.read(*findSetting(name));
    if (!reading.outcome.ok()) {
      printError(about("info:", name, reading.outcome.message));
      if (failure == kOk) failure = reading.outcome.code;
    }
    return reading;
  };

  for (const char* name : kIdentity) {
    Readout reading = read(name);
    if (!reading.outcome.ok()) continue;
    json[name] = reading.json;
    lines.emplace_back(name, reading.lines.front());
  }
  for (const char* name : kCapabilities) {
    Readout reading = read(name);
    if (!reading.outcome.ok()) continue;
    std::vector<int> bits = bitsOf(reading.value.number);
    json[name] = Json{{"mask", reading.json}, {"bits", bits}};
    // The choices offered by name, where the model description names them all.
    std::vector<std::string> named = offeredNames(link, name, bits);
    if (!named.empty()) json[name]["choices"] = named;
    std::string listed;
    for (const std::string& choice : named) listed += (listed.empty() ? "" : ", ") + choice;
    lines.emplace_back(
        name, reading.lines.front() + " (" + (named.empty() ? "bits " + bitList(bits) : listed) + ")");
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
