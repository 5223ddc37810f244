// vemoctl doctor: checks, one by one, what a monitor needs to be usable, and
// says what to do about each failure.
#include <dlfcn.h>
#include <hidapi.h>

#include <algorithm>
#include <iostream>

#include "catalogue/operations.h"
#include "contract/bus.h"
#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/backends/service_backend.h"
#include "tools/vemoctl/backends/service_presence.h"
#include "tools/vemoctl/backends/session.h"
#include "tools/vemoctl/backends/simulate.h"
#include "tools/vemoctl/bridges/access.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/settings_model.h"

namespace vemoctl {
namespace {

constexpr unsigned short kBridgeVendorId = 0x0451;
constexpr unsigned short kBridgeProductId = 0xCA01;
constexpr const char* kRuleHelp = "README, \"Access to the bridge without root\"";

enum class Verdict { Ok, Failed, Note };

// With --json the checks are collected here and printed as one object.
Json* jsonChecks = nullptr;

void report(Verdict outcome, const std::string& summary, const std::string& advice = "") {
  static const char* const kWords[] = {"ok  ", "FAIL", "note"};
  if (jsonChecks != nullptr) {
    static const char* const kNames[] = {"ok", "failed", "note"};
    Json check{{"result", kNames[static_cast<int>(outcome)]}, {"summary", summary}};
    if (!advice.empty()) check["advice"] = advice;
    jsonChecks->push_back(check);
    return;
  }
  std::cout << kWords[static_cast<int>(outcome)] << "  " << summary << '\n';
  if (!advice.empty()) std::cout << "      -> " << advice << '\n';
}

// The monitors vemod serves: usable whatever the direct checks find.
int checkServedMonitors() {
  try {
    std::vector<Identity> served = serviceBackend()->monitors(true);
    std::string ids;
    for (const Identity& monitor : served) ids += (ids.empty() ? ": " : ", ") + monitor.id;
    report(Verdict::Ok, "vemod serves " + std::to_string(served.size()) + " monitor(s)" + ids);
    return static_cast<int>(served.size());
  } catch (const ToolError& e) {
    report(Verdict::Failed, std::string("vemod did not list its monitors: ") + e.what());
    return 0;
  }
}

std::string narrow(const wchar_t* wide) {
  std::string out;
  for (std::size_t i = 0; wide != nullptr && wide[i] != L'\0'; ++i) {
    out += (wide[i] >= 0x20 && wide[i] < 0x7F) ? static_cast<char>(wide[i]) : '?';
  }
  return out;
}

void checkHidapi() {
  Dl_info info{};
  std::string library =
      dladdr(reinterpret_cast<void*>(&hid_version_str), &info) != 0 && info.dli_fname != nullptr
          ? info.dli_fname
          : "";
  // Under --simulate the simulator stands in for hidapi.
  std::string where = library.empty()     ? ""
                      : simulatorLoaded() ? " (the simulator: " + library + ")"
                                          : " (" + library + ")";
  report(Verdict::Ok, std::string("hidapi ") + hid_version_str() + where);
}

struct Bridge {
  std::string path;
  std::string serial;
};

std::vector<Bridge> attachedBridges() {
  std::vector<Bridge> bridges;
  hid_device_info* list = hid_enumerate(kBridgeVendorId, kBridgeProductId);
  for (hid_device_info* info = list; info != nullptr; info = info->next) {
    bridges.push_back({info->path != nullptr ? info->path : "", narrow(info->serial_number)});
  }
  hid_free_enumeration(list);
  return bridges;
}

std::string holderList(const std::vector<Holder>& holders) {
  std::string out;
  for (const Holder& holder : holders) {
    out += (out.empty() ? "" : ", ") + holder.program + " (pid " + std::to_string(holder.pid) + ")";
  }
  return out;
}

bool heldByService(const BridgeAccess& access) {
  for (const Holder& holder : access.holders) {
    if (holder.program == "vemod") return true;
  }
  return false;
}

// Reports why the bridge cannot be opened; true when the service holds it
// (its monitor is then usable through the service).
bool reportUnopened(const std::string& name, const BridgeAccess& access, bool serviceRunning) {
  if (heldByService(access)) {
    report(serviceRunning ? Verdict::Note : Verdict::Failed,
           name + " is held by vemod: " + holderList(access.holders),
           serviceRunning ? "vemod serves this monitor on the session bus; programs that use the library "
                            "directly reach it once vemod lets it go after its --hold time"
                          : "vemod holds it but is not on the session bus: stop that vemod process");
    return serviceRunning;
  }
  if (!access.holders.empty()) {
    report(Verdict::Failed, name + " is held by another program: " + holderList(access.holders),
           "a bridge serves one program at a time: quit that program, or wait until it is done");
  } else if (access.permissionDenied && !access.udevRuleInstalled) {
    report(Verdict::Failed,
           name + ": you may not open " + access.node + ", and the udev rule is not installed",
           std::string("install the udev rule and plug the monitor in again (") + kRuleHelp + ")");
  } else if (access.permissionDenied && !access.userInAccessList) {
    report(Verdict::Failed,
           name + ": you may not open " + access.node +
               "; the udev rule is installed but the node has no access list entry for you",
           std::string("log in at the machine itself (the rule gives access to the seat's active user), "
                       "or reload the rules and plug the monitor in again (") +
               kRuleHelp + ")");
  } else if (access.permissionDenied) {
    report(Verdict::Failed, name + ": you may not open " + access.node, std::string("see ") + kRuleHelp);
  } else {
    report(Verdict::Failed,
           name + " cannot be opened: it is held by another program (perhaps one of another user)",
           "quit the program that uses the monitor, or unplug the monitor's USB cable and plug it in again");
  }
  return false;
}

// Opens each bridge; returns how many are held by the running service.
int checkBridges(const std::vector<Bridge>& bridges, bool serviceRunning) {
  int served = 0;
  for (const Bridge& bridge : bridges) {
    std::string name = "bridge " + (bridge.serial.empty() ? bridge.path : bridge.serial);
    if (hid_device* device = hid_open_path(bridge.path.c_str())) {
      hid_close(device);
      report(Verdict::Ok, name + " opens");
      continue;
    }
    if (reportUnopened(name, examineBridge(bridge.path, bridge.serial), serviceRunning)) ++served;
  }
  return served;
}

// Connects to each monitor the library counts and reads its name; returns how
// many answered.
int checkMonitors() {
  unsigned char count = 0;
  GetAvailableMonitors(&count);
  int answering = 0;
  for (int index = 0; index < count; ++index) {
    std::string name = "monitor " + std::to_string(index);
    clearBridgeError();
    int result = ConnectMonitor(static_cast<unsigned char>(index));
    Value model;
    const Setting& monitorName = *findSetting("monitor-name");
    if (result == STATUS_OK) result = readValue(monitorName, model);
    if (result == STATUS_OK) {
      report(Verdict::Ok, name + " answers: " + textLines(monitorName, model).front());
      ++answering;
    } else {
      report(Verdict::Failed, name + ": " + describeFailure(result, "read"),
             "check that the monitor is switched on and its USB cable is in the monitor's upstream port");
    }
    DisconnectMonitor();
  }
  return answering;
}

ServicePresence checkService() {
  ServicePresence service = servicePresence();
  if (!service.busReachable) {
    report(Verdict::Note, "no session bus (" + service.error + "), so the service vemod cannot run",
           "vemoctl works without it, directly through the library");
  } else if (service.running) {
    report(Verdict::Ok,
           std::string("the service vemod runs (") + vemo::bus::kBusName + " on the session bus)");
  } else {
    report(Verdict::Note,
           std::string("the service vemod is not running (") + vemo::bus::kBusName +
               " has no owner on the session bus)",
           "optional: `systemctl --user start vemod` starts it; vemoctl works without it");
  }
  return service;
}

void checkSimulator() {
  if (simulatorLoaded()) {
    report(Verdict::Ok, "simulator loaded (--simulate): the bridges above are simulated");
    return;
  }
  try {
    report(Verdict::Ok, "simulator found: " + simulatorLibrary() + " (vemoctl --simulate)");
  } catch (const ToolError& e) {
    report(Verdict::Note, std::string("simulator not found: ") + e.what(), "only --simulate needs it");
  }
}

}  // namespace

int runDoctor(const GlobalOptions& options) {
  Json checks = Json::array();
  if (options.json) jsonChecks = &checks;
  checkHidapi();
  std::vector<Bridge> bridges = attachedBridges();
  if (bridges.empty()) {
    report(Verdict::Failed, "no bridge (0451:CA01) attached",
           "connect the monitor's USB upstream port to this computer with a USB cable");
  } else {
    report(Verdict::Ok, std::to_string(bridges.size()) + " bridge(s) (0451:CA01) attached");
  }
  ServicePresence service = checkService();
  int servedByService = service.running ? checkServedMonitors() : 0;
  int served = checkBridges(bridges, service.running);
  int usable = std::max(checkMonitors() + served, servedByService);
  checkSimulator();
  if (options.json) {
    jsonChecks = nullptr;
    printJson(Json{{"checks", checks}, {"usable", usable}});
  } else {
    std::cout << usable << " monitor(s) usable\n";
  }
  return usable > 0 ? kOk : kNoMonitor;
}

}  // namespace vemoctl
