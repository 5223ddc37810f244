// vemoctl completion bash|zsh|fish: the shell's completion script.
#include <iostream>

#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/completion/model.h"

namespace vemoctl {

int runCompletion(const CLI::App& app, const std::string& shell) {
  CompletionModel model = completionModel(app);
  if (shell == "bash") {
    std::cout << bashCompletion(model);
  } else if (shell == "zsh") {
    std::cout << zshCompletion(model);
  } else {
    std::cout << fishCompletion(model);
  }
  return kOk;
}

}  // namespace vemoctl
