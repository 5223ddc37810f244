#include "sim/preload/environment.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace vemo::sim {

int monitorCount() {
  const char* count = std::getenv("VEMO_SIM_MONITORS");
  if (count == nullptr || *count == '\0') return 1;
  char* end = nullptr;
  long n = std::strtol(count, &end, 10);
  if (*end != '\0' || n < 0 || n > kMaxMonitors) {
    std::fprintf(stderr, "vemo simulator: VEMO_SIM_MONITORS must be 0 to %d; using 1\n", kMaxMonitors);
    return 1;
  }
  return static_cast<int>(n);
}

std::vector<std::uint8_t> commandCodes(const char* variable) {
  std::vector<std::uint8_t> codes;
  const char* list = std::getenv(variable);
  if (list == nullptr) return codes;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    char* end = nullptr;
    unsigned long value = std::strtoul(item.c_str(), &end, 0);
    if (item.empty() || *end != '\0' || value > 0xFF || item[0] == '-' || item[0] == ' ') {
      std::fprintf(stderr,
                   "vemo simulator: %s: '%s' is not a command code (0 to 255, or 0x00 to 0xFF); ignored\n",
                   variable, item.c_str());
      continue;
    }
    codes.push_back(static_cast<std::uint8_t>(value));
  }
  return codes;
}

std::vector<std::string> textList(const char* variable) {
  std::vector<std::string> items;
  const char* list = std::getenv(variable);
  if (list == nullptr) return items;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) items.push_back(item);
  return items;
}

}  // namespace vemo::sim
