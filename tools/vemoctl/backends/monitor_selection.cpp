#include "tools/vemoctl/backends/monitor_selection.h"

#include <set>

#include "catalogue/monitor_id.h"

namespace vemoctl {
namespace {

bool answersTo(const Identity& monitor, const std::string& key) {
  return key == monitor.id || key == monitor.usbSerial || key == monitor.serialNumber ||
         key == monitor.assetTag;
}

}  // namespace

MonitorChoice parseMonitorChoice(const std::string& text) {
  MonitorChoice choice;
  if (text.empty()) throw ToolError(kUsage, "--monitor: give an index, a key or all");
  if (text == "all") {
    choice.kind = MonitorChoice::Kind::All;
  } else if (text.find_first_not_of("0123456789") != std::string::npos) {
    choice.kind = MonitorChoice::Kind::Key;
    choice.key = text;
  } else if (text.size() > 3 || std::stoi(text) > 255) {
    throw ToolError(kUsage, "--monitor: " + text + " is not a monitor index (0 to 255)");
  } else {
    choice.index = std::stoi(text);
  }
  return choice;
}

std::size_t monitorNamed(const std::vector<Identity>& monitors, const std::string& key) {
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (monitors[i].id == key) return i;
  }
  std::vector<std::size_t> matches;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (answersTo(monitors[i], key)) matches.push_back(i);
  }
  if (matches.empty()) {
    throw ToolError(kNoMonitor,
                    "no monitor has the Id, USB serial, serial number or asset tag '" + key + "'");
  }
  if (matches.size() > 1) {
    throw ToolError(kUsage, "'" + key + "' names more than one monitor: " + monitors[matches[0]].id +
                                " and " + monitors[matches[1]].id + "; choose by Id");
  }
  return matches.front();
}

void assignIds(std::vector<Identity>& monitors) {
  std::set<std::string> taken;
  for (Identity& monitor : monitors) {
    monitor.id = monitorId(monitor.serialNumber, monitor.usbSerial, monitor.index,
                           [&taken](const std::string& id) { return taken.count(id) > 0; });
    taken.insert(monitor.id);
  }
}

}  // namespace vemoctl
