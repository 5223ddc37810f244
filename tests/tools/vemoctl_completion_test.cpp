// The completion scripts that `vemoctl completion` writes, loaded into bash,
// zsh and fish and asked to complete command lines.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/tool_run.h"

namespace vemo::tooltest {
namespace {

using Args = std::vector<std::string>;

std::string shellWord(const std::string& word) { return "'" + word + "'"; }

// What `shell` offers for the words typed so far, the last one being
// completed, with the script `vemoctl completion SHELL` wrote loaded.
std::vector<std::string> complete(const Scratch& scratch, const std::string& shell,
                                  const std::vector<std::string>& words) {
  std::string load = "source <(" + shellWord(VEMOCTL_PATH) + " completion " + shell + ")";
  std::string typed;
  for (const std::string& word : words) typed += " " + shellWord(word);
  std::string script;
  Args shellArgs;
  if (shell == "bash") {
    // The function bash calls, with bash's variables for the words.
    script = load + " || exit 9\nCOMP_WORDS=(" + typed +
             " )\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
             "\n_vemoctl || exit 8\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
    shellArgs = {"/bin/bash", "--norc", "-c", script};
  } else if (shell == "zsh") {
    // The completion function's body, with compadd standing in for zsh's
    // completion system: it keeps what starts with the word being completed.
    script =
        "compadd() { shift; for w in \"$@\"; do [[ $w == ${words[CURRENT]}* ]] && print -r -- $w; done; "
        "return 0; }\n"
        "words=(" +
        typed + " )\nCURRENT=" + std::to_string(words.size()) + "\n" + load + "\n";
    shellArgs = {"/usr/bin/zsh", "-f", "-c", script};
  } else {
    std::string line;
    for (const std::string& word : words) line += (line.empty() ? "" : " ") + word;
    script = shellWord(VEMOCTL_PATH) + " completion fish | source\ncomplete -C " + shellWord(line) + "\n";
    shellArgs = {"/usr/bin/fish", "--no-config", "-c", script};
  }
  ToolResult r =
      runProgram(scratch.dir(), shellArgs[0], Args(shellArgs.begin() + 1, shellArgs.end()), {}, "");
  EXPECT_EQ(r.exitCode, 0) << shell << ": " << r.err;
  EXPECT_EQ(r.err, "") << shell;
  std::vector<std::string> replies;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) replies.push_back(line);
  }
  std::sort(replies.begin(), replies.end());
  return replies;
}

TEST(CompletionTest, EachShellCompletesCommandsOptionsSettingsAndValues) {
  using Words = std::vector<std::string>;
  const std::vector<std::pair<Words, Words>> cases = {
      {{"vemoctl", "get", "bright"}, {"brightness"}},
      {{"vemoctl", "--monitor", "1", "get", "serial"}, {"serial-number"}},
      {{"vemoctl", "--json", "get", "serial"}, {"serial-number"}},  // a flag takes no value
      {{"vemoctl", "set", "color-p"}, {"color-preset"}},            // the caps are read-only
      {{"vemoctl", "set", "color-preset", "0x0"}, {"0x01", "0x02", "0x04", "0x08"}},
      {{"vemoctl", "set", "sharpness", "9"}, {"90"}},
      {{"vemoctl", "set", "video-input", "hdmi"}, {"hdmi-1", "hdmi-2"}},  // the simulator's model names
      {{"vemoctl", "set", "osd-language", "g"}, {"german"}},
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
  for (const std::string shell : {"bash", "zsh", "fish"}) {
    for (const auto& [words, expected] : cases) {
      EXPECT_EQ(complete(scratch, shell, words), expected) << shell << ": " << words.back();
    }
  }
}

}  // namespace
}  // namespace vemo::tooltest
