// The bash completion script that `vemoctl completion bash` writes, loaded
// into bash and asked to complete command lines.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/tool_run.h"

namespace vemo::tooltest {
namespace {

// COMPREPLY for the words typed so far, the last one being completed.
std::vector<std::string> complete(const Scratch& scratch, const std::vector<std::string>& words) {
  std::string script =
      "source <('" + std::string(VEMOCTL_PATH) + "' completion bash) || exit 9\nCOMP_WORDS=(";
  for (const std::string& word : words) script += " '" + word + "'";
  script += " )\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
            "\n_vemoctl || exit 8\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  ToolResult r = runProgram(scratch.dir(), "/bin/bash", {"--norc", "-c", script}, {}, "");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<std::string> replies;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) replies.push_back(line);
  }
  return replies;
}

TEST(CompletionTest, BashCompletesCommandsOptionsSettingsAndValues) {
  using Words = std::vector<std::string>;
  const std::vector<std::pair<Words, Words>> cases = {
      {{"vemoctl", "get", "bright"}, {"brightness"}},
      {{"vemoctl", "--monitor", "1", "get", "serial"}, {"serial-number"}},
      {{"vemoctl", "set", "color-p"}, {"color-preset"}},  // the caps are read-only
      {{"vemoctl", "set", "color-preset", "0x0"}, {"0x01", "0x02", "0x04", "0x08"}},
      {{"vemoctl", "set", "sharpness", "9"}, {"90"}},
      {{"vemoctl", "set", "brightness", ""}, {}},  // 0 to 100: typed, not listed
      {{"vemoctl", "reg"}, {"register"}},
      {{"vemoctl", "register", "w"}, {"wait", "write"}},
      {{"vemoctl", "reset", "f"}, {"factory"}},
      {{"vemoctl", "--log-level", "de"}, {"debug"}},
      {{"vemoctl", "get", "--a"}, {"--all"}},
      {{"vemoctl", "completion", "z"}, {"zsh"}},
      {{"vemoctl", "metrics", "--all"}, {"--all-settings"}},
  };
  Scratch scratch;
  for (const auto& [words, expected] : cases) {
    std::vector<std::string> replies = complete(scratch, words);
    std::sort(replies.begin(), replies.end());
    EXPECT_EQ(replies, expected) << words.back();
  }
}

}  // namespace
}  // namespace vemo::tooltest
