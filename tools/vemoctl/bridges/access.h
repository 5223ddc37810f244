// Why an attached bridge cannot be opened: which programs hold it, and for a
// device node the user may not open, whether the udev rule is installed and
// whether the node carries an access list entry for the user.
#pragma once

#include <string>
#include <vector>

namespace vemoctl {

struct Holder {
  int pid = 0;
  std::string program;  // the program's file name, such as "vemod"
};

struct BridgeAccess {
  std::string node;  // the device node (or the simulator's claim file); "" when unknown
  std::vector<Holder> holders;
  bool permissionDenied = false;
  bool udevRuleInstalled = false;
  bool userInAccessList = false;
};

// `path` and `serial` as hidapi lists the bridge.
BridgeAccess examineBridge(const std::string& path, const std::string& serial);

}  // namespace vemoctl
