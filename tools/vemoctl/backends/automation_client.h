// The service's automation from the command line: the calibrated level, the
// light sensor, calibration and night settings. Only the service vemod has
// them; without it these commands explain that and change nothing.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/vemoctl/commands/commands.h"

namespace vemoctl {

class AutomationClient {
 public:
  // Throws ToolError(kUsage) when the service is not to be used: --direct,
  // --simulate, or vemod not running. `command` names the command in the message.
  AutomationClient(const GlobalOptions& options, const std::string& command);

  sdbus::Variant manager(const std::string& property);
  void setManager(const std::string& property, const sdbus::Variant& value);
  void setLevel(double level);

  struct Monitor {
    std::string id;
    std::string path;
  };
  // The monitors --monitor chose (every one with `allWhenNotGiven` and no --monitor).
  std::vector<Monitor> chosen(bool allWhenNotGiven);
  sdbus::Variant monitor(const Monitor& monitor, const std::string& property);
  void setMonitor(const Monitor& monitor, const std::string& property, const sdbus::Variant& value);
  // Each monitor's writes per setting, by Id.
  static std::map<std::string, std::map<std::string, std::uint64_t>> writesByMonitor();

 private:
  [[noreturn]] void fail(const sdbus::Error& error) const;

  const GlobalOptions& options_;
  std::string command_;
  std::unique_ptr<sdbus::IConnection> connection_;
  std::unique_ptr<sdbus::IProxy> manager_;
};

}  // namespace vemoctl
