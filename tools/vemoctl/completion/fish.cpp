// The fish completion script: a helper that walks the words typed so far, and
// one `complete` line per command, option and argument.
#include "tools/vemoctl/completion/model.h"

namespace vemoctl {
namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
  return out + "'";
}

std::string pathIs(const std::string& path) { return "test (__vemoctl_walk)[1] = \"" + path + "\""; }

std::string atPath(const std::string& path) { return "-n " + quoted(pathIs(path)); }

std::string walker(const CompletionModel& model) {
  std::string valueOptions, cases;
  for (const CompletedCommand& command : model.commands) {
    for (const CompletedOption& option : command.options) {
      if (option.takesValue) valueOptions += " " + option.name;
    }
    if (!command.subcommands.empty()) {
      cases += "      case " + quoted(command.path) + "\n        set subcommands " +
               joinedWords(command.subcommands) + "\n";
    }
  }
  // The command path on the first line, then the other words.
  return "function __vemoctl_walk\n"
         "  set -l path vemoctl\n"
         "  set -l tokens (commandline -opc)\n"
         "  set -e tokens[1]\n"
         "  set -l skip 0\n"
         "  set -l positionals\n"
         "  for word in $tokens\n"
         "    if test $skip = 1\n      set skip 0\n      continue\n    end\n"
         "    if contains -- $word" +
         valueOptions +
         "\n      set skip 1\n      continue\n    end\n"
         "    if string match -q -- '-*' $word\n      continue\n    end\n"
         "    set -l subcommands\n"
         "    switch $path\n" +
         cases +
         "    end\n"
         "    if contains -- $word $subcommands\n      set path \"$path $word\"\n"
         "    else\n      set -a positionals $word\n    end\n"
         "  end\n"
         "  printf '%s\\n' $path $positionals\n"
         "end\n\n"
         "function __vemoctl_wants_setting\n"
         "  set -l words (__vemoctl_walk)\n"
         "  test (math (count $words) % 2) = 1\n"
         "end\n\n"
         "function __vemoctl_after_setting\n"
         "  set -l words (__vemoctl_walk)\n"
         "  test (math (count $words) % 2) = 0; and test $words[-1] = $argv[1]\n"
         "end\n\n";
}

std::string optionLine(const CompletedCommand& command, const CompletedOption& option) {
  std::string line = "complete -c vemoctl";
  if (command.path != "vemoctl") line += " " + atPath(command.path);
  bool longName = option.name.rfind("--", 0) == 0;
  line += longName ? " -l " + option.name.substr(2) : " -s " + option.name.substr(1);
  if (option.valueIsFile) {
    line += " -rF";
  } else if (!option.choices.empty()) {
    line += " -xa " + quoted(joinedWords(option.choices));
  } else if (option.takesValue) {
    line += " -x";
  }
  return line + "\n";
}

std::string argumentLines(const CompletedCommand& command, const CompletionModel& model) {
  std::string prefix = "complete -c vemoctl " + atPath(command.path);
  switch (command.arguments) {
    case Arguments::Choices:
      return prefix + " -a " + quoted(joinedWords(command.choices)) + "\n";
    case Arguments::Files:
      return prefix + " -F\n";
    case Arguments::Settings:
      return prefix + " -a " + quoted(joinedWords(model.readableSettings)) + "\n";
    case Arguments::Pairs: {
      std::string lines = "complete -c vemoctl -n " +
                          quoted(pathIs(command.path) + "; and __vemoctl_wants_setting") + " -a " +
                          quoted(joinedWords(model.writableSettings)) + "\n";
      for (const auto& [name, values] : model.settingValues) {
        if (values.empty()) continue;
        lines += "complete -c vemoctl -n " +
                 quoted(pathIs(command.path) + "; and __vemoctl_after_setting " + name) + " -a " +
                 quoted(joinedWords(values)) + "\n";
      }
      return lines;
    }
    case Arguments::None:
      break;
  }
  return "";
}

}  // namespace

std::string fishCompletion(const CompletionModel& model) {
  std::string out = "# fish completion for vemoctl, written by `vemoctl completion fish`.\n" + walker(model) +
                    "complete -c vemoctl -f\n";
  for (const CompletedCommand& command : model.commands) {
    for (const std::string& sub : command.subcommands) {
      out += "complete -c vemoctl " + atPath(command.path) + " -a " + sub + "\n";
    }
    for (const CompletedOption& option : command.options) out += optionLine(command, option);
    out += argumentLines(command, model);
  }
  return out;
}

}  // namespace vemoctl
