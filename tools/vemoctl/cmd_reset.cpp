// vemoctl reset power|color|osd|factory.
#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/session.h"

namespace vemoctl {
namespace {

bool confirmed(int monitor) {
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

int runReset(const GlobalOptions& options, const std::string& what, bool yes) {
  int (*reset)() = nullptr;
  if (what == "power") reset = ResetPower;
  if (what == "color") reset = ResetColor;
  if (what == "osd") reset = ResetOSD;
  if (what == "factory") reset = FactoryReset;
  if (reset == nullptr) throw ToolError(kUsage, "reset: unknown group '" + what + "'");

  Session session(options.monitor);
  if (what == "factory" && !yes && !confirmed(options.monitor)) {
    throw ToolError(kNotConfirmed, "factory reset not confirmed; nothing sent (--yes skips the question)");
  }
  clearBridgeError();
  requireOk(reset(), "reset " + what, "reset");
  std::cout << what << " settings reset\n";
  return kOk;
}

}  // namespace vemoctl
