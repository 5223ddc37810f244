#include "tools/vemoctl/output/printing.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/vemoctl/exit_codes.h"

namespace vemoctl {

void printReadings(const std::vector<NamedReading>& readings, bool json, bool bare) {
  if (json) {
    Json out = Json::object();
    for (const NamedReading& r : readings) {
      if (r.reading.outcome.ok()) out[r.setting->name] = r.reading.json;
    }
    printJson(out);
    return;
  }
  for (const NamedReading& r : readings) {
    if (!r.reading.outcome.ok()) continue;
    for (const std::string& line : r.reading.lines) {
      std::string shown = r.reading.choice.empty() ? line : line + " (" + r.reading.choice + ")";
      if (bare) {
        std::cout << shown << '\n';
      } else {
        std::cout << r.setting->name << ": " << shown << '\n';
      }
    }
  }
}

void printJson(const Json& json) { std::cout << json.dump(2) << '\n'; }

std::string padded(std::string text, std::size_t width) {
  text.resize(std::max(text.size() + 1, width), ' ');
  return text;
}

std::string acceptedOrReadOnly(const Setting& setting) {
  return setting.writable() ? acceptedValues(setting) : "read-only";
}

void printError(const std::string& message) {
  std::cout.flush();
  std::cerr << "vemoctl: " << message << std::endl;
}

std::string about(const std::string& command, const std::string& name, const std::string& message) {
  if (message.rfind(name + ":", 0) == 0 || message.rfind(name + " ", 0) == 0) return command + " " + message;
  return command + " " + name + ": " + message;
}

int finishOutput(int code) {
  errno = 0;
  std::cout.flush();
  bool flushed = std::fflush(stdout) == 0;
  int error = errno;
  if (flushed && std::cout && !std::ferror(stdout)) return code;
  std::string reason = error != 0 ? std::string(": ") + std::strerror(error) : "";
  printError("cannot write to standard output" + reason);
  return code == kOk ? kExchangeFailed : code;
}

Progress::Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() { clear(); }

void Progress::clear() {
  if (shown_ && done_ > 0) std::cerr << "\r\033[K" << std::flush;
}

void Progress::step(const std::string& what) {
  ++done_;
  if (!shown_) return;
  std::cerr << "\r\033[K[" << done_ << "/" << total_ << "] " << what << std::flush;
}

}  // namespace vemoctl
