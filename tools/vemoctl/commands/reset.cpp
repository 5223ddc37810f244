// vemoctl reset power|color|osd|factory.
#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string>

#include "tools/vemoctl/commands/commands.h"

namespace vemoctl {
namespace {

bool confirmed(const std::string& monitor) {
  std::cerr << "Reset monitor " << monitor << " to its factory settings? [y/N] " << std::flush;
  std::string answer;
  bool answered = static_cast<bool>(std::getline(std::cin, answer));
  // An answer that was not typed on a terminal has not ended the line.
  if (!answered || isatty(STDIN_FILENO) != 1) std::cerr << '\n';
  if (!answered) return false;
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
  for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return answer == "y" || answer == "yes";
}

}  // namespace

int runReset(const GlobalOptions& options, MonitorLink& link, const std::string& what, bool yes) {
  if (what != "power" && what != "color" && what != "osd" && what != "factory") {
    throw ToolError(kUsage, "reset: unknown group '" + what + "'");
  }
  if (what == "factory" && !yes &&
      !confirmed(options.monitor.kind == MonitorChoice::Kind::Key ? options.monitor.key
                                                                  : std::to_string(options.monitor.index))) {
    throw ToolError(kNotConfirmed, "factory reset not confirmed; nothing sent (--yes skips the question)");
  }
  if (Outcome outcome = link.reset(what); !outcome.ok()) {
    throw ToolError(outcome.code, "reset " + what + ": " + outcome.message);
  }
  std::cout << what << " settings reset\n";
  return kOk;
}

}  // namespace vemoctl
