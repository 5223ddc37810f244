// A monitor's Id, the key that names it in every product: its serial number
// as it reports it, else its bridge's USB serial, else its bridge's position.
// A candidate another monitor has as its Id already is passed over (two
// monitors may report one serial number), so that every monitor has its own.
#pragma once

#include <functional>
#include <string>

namespace vemo::catalogue {

std::string monitorId(const std::string& serialNumber, const std::string& usbSerial, int position,
                      const std::function<bool(const std::string&)>& taken);

}  // namespace vemo::catalogue
