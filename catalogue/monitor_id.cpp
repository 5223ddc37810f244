#include "catalogue/monitor_id.h"

namespace vemo::catalogue {

std::string monitorId(const std::string& serialNumber, const std::string& usbSerial, int position,
                      const std::function<bool(const std::string&)>& taken) {
  for (const std::string& candidate : {serialNumber, usbSerial}) {
    if (!candidate.empty() && !taken(candidate)) return candidate;
  }
  const std::string base = std::to_string(position);
  std::string id = base;
  for (int n = 2; taken(id); ++n) id = base + "-" + std::to_string(n);
  return id;
}

}  // namespace vemo::catalogue
