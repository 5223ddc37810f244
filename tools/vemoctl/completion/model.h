// What a shell completes on vemoctl's command line, taken from the command
// line's own definition and the catalogue of settings, so that the scripts
// for every shell say the same and never fall behind the tool.
#pragma once

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

namespace vemoctl {

// What the words after a command are.
enum class Arguments {
  None,
  Choices,   // one of `choices`
  Files,     // a file name
  Settings,  // setting names (get)
  Pairs,     // a writable setting's name, then one of its values, repeated (set)
};

struct CompletedOption {
  std::string name;  // "--monitor", "-y"
  bool takesValue = false;
  bool valueIsFile = false;
  std::vector<std::string> choices;
};

struct CompletedCommand {
  std::string path;  // "vemoctl", "vemoctl get", "vemoctl register read"
  std::string help;
  std::vector<std::string> subcommands;
  std::vector<CompletedOption> options;
  Arguments arguments = Arguments::None;
  std::vector<std::string> choices;
};

struct CompletionModel {
  std::vector<CompletedCommand> commands;  // the root first
  std::vector<std::string> readableSettings;
  std::vector<std::string> writableSettings;
  // Values worth offering for each writable setting: a mask's choice bits, a
  // stepped or short range's values; none for text or a long range.
  std::map<std::string, std::vector<std::string>> settingValues;
};

CompletionModel completionModel(const CLI::App& app);

using Table = std::vector<std::pair<std::string, std::string>>;
using TableWriter = std::string (*)(const char* name, const Table& rows);

// The model as shell variables of space-separated words, the form the bash
// and zsh scripts look things up in. Associative arrays, each written by
// `table`: by command path its subcommands, options and arguments ("none",
// "files", "settings", "pairs", "choices A B ..."); by option name its values
// ("@file", "@any" or the choices); by setting name its values. Then the
// readable and the writable setting names, each assigned after `assignment`.
std::string completionTables(const CompletionModel& model, TableWriter table, const std::string& assignment);
std::string joinedWords(const std::vector<std::string>& words);

std::string bashCompletion(const CompletionModel& model);
std::string zshCompletion(const CompletionModel& model);
std::string fishCompletion(const CompletionModel& model);

}  // namespace vemoctl
