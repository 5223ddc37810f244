#include "tools/vemoctl/bridges/diagnosis.h"

#include <hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

namespace vemoctl {
namespace {

constexpr unsigned short kBridgeVendorId = 0x0451;
constexpr unsigned short kBridgeProductId = 0xCA01;

}  // namespace

std::vector<std::string> attachedBridgePaths() {
  std::vector<std::string> paths;
  hid_device_info* list = hid_enumerate(kBridgeVendorId, kBridgeProductId);
  for (hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path != nullptr) paths.emplace_back(info->path);
  }
  hid_free_enumeration(list);
  return paths;
}

bool bridgeOpens(const std::string& path) {
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return false;
  hid_close(device);
  return true;
}

std::string deviceNodeOf(const std::string& path) {
  if (path.rfind("/dev/", 0) == 0) return path;
  std::string device = path.substr(0, path.find(':'));
  if (device.empty() || device.find('/') != std::string::npos) return "";
  std::ifstream busFile("/sys/bus/usb/devices/" + device + "/busnum");
  std::ifstream devFile("/sys/bus/usb/devices/" + device + "/devnum");
  int bus = 0, dev = 0;
  if (!(busFile >> bus) || !(devFile >> dev)) return "";
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", bus, dev);
  return node;
}

namespace {

std::string reasonFor(const std::string& path) {
  std::string node = deviceNodeOf(path);
  if (node.empty()) {
    return "it is in use by another program, or you may not open it (see the udev rule in the README, "
           "\"Access to the bridge without root\")";
  }
  if (access(node.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    return "you may not open " + node +
           ": install the udev rule (README, \"Access to the bridge without root\")";
  }
  return "it is in use by another program (a bridge serves one program at a time)";
}

}  // namespace

std::string unopenedBridgeReason(int usable) {
  std::vector<std::string> paths = attachedBridgePaths();
  if (static_cast<int>(paths.size()) <= usable) return "";
  for (const std::string& path : paths) {
    if (bridgeOpens(path)) continue;
    return "a bridge (0451:CA01) is attached at " + path + " but could not be opened: " + reasonFor(path);
  }
  return "";
}

}  // namespace vemoctl
