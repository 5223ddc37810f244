// Why a bridge that is attached could not be used: hidapi lists every device
// with the bridge's vendor and product ID, whether or not it can be opened.
#pragma once

#include <string>
#include <vector>

namespace vemoctl {

// The hidapi paths of every attached bridge, whether or not it can be opened.
std::vector<std::string> attachedBridgePaths();
// Whether the bridge at `path` opens now (it is closed again at once).
bool bridgeOpens(const std::string& path);

// The device node behind a hidapi path: hidraw paths are nodes themselves;
// libusb paths ("1-2.3:1.0") name a USB device whose bus and device numbers
// give its node under /dev/bus/usb. "" when neither.
std::string deviceNodeOf(const std::string& path);

// When more bridges are attached than the library could count (`usable`),
// the reason in words, for example "a bridge (0451:CA01) is attached but
// could not be opened: it is in use by another program"; "" otherwise.
std::string unopenedBridgeReason(int usable);

}  // namespace vemoctl
