#include "tools/vemoctl/completion/model.h"

#include <cstdio>

#include "catalogue/models.h"
#include "tools/vemoctl/settings_model.h"

namespace vemoctl {
namespace {

// A range with more values than this is left to the user to type.
constexpr unsigned kMostRangeValues = 21;

// The commands whose words are settings; every other positional argument is
// completed from its own definition.
const std::map<std::string, Arguments> kSettingArguments = {{"vemoctl get", Arguments::Settings},
                                                            {"vemoctl set", Arguments::Pairs}};
// Option and argument names that take a file.
const std::vector<std::string> kFileNames = {"--output", "file"};

bool namesFile(const std::string& name) {
  return std::find(kFileNames.begin(), kFileNames.end(), name) != kFileNames.end();
}

// The choices of an IsMember check, which describes itself as "{a,b,c}".
std::vector<std::string> choicesOf(const CLI::Option& option) {
  auto& editable = const_cast<CLI::Option&>(option);
  std::vector<std::string> choices;
  try {
    std::string description = editable.get_validator()->get_description();
    if (description.size() < 2 || description.front() != '{' || description.back() != '}') return choices;
    std::string list = description.substr(1, description.size() - 2);
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
      choices.push_back(list.substr(start, comma - start));
    }
    choices.push_back(list.substr(start));
  } catch (const CLI::OptionNotFound&) {
  }
  return choices;
}

// The numbers, then the names model descriptions give the choices (those
// found where this vemoctl looks when the scripts are written).
std::vector<std::string> valuesOf(const Setting& setting, const ModelChoices& named) {
  std::vector<std::string> values;
  char text[16];
  if (setting.kind == Kind::Byte) {
    const auto& range = setting.byteInfo->accepted;
    if ((range.hi - range.lo) / range.step + 1u > kMostRangeValues) return values;
    for (unsigned v = range.lo; v <= range.hi; v += range.step) values.push_back(std::to_string(v));
  } else if (setting.kind == Kind::Mask) {
    for (unsigned bit = 0; bit < setting.maskInfo->choices; ++bit) {
      std::snprintf(text, sizeof text, "0x%02X", 1u << bit);
      values.emplace_back(text);
    }
  }
  if (auto names = named.find(setting.name); names != named.end()) {
    for (const auto& [name, value] : names->second) values.push_back(name);
  }
  return values;
}

void addCommand(const CLI::App& app, const std::string& path, CompletionModel& model) {
  CompletedCommand command;
  command.path = path;
  command.help = app.get_description();
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) {
      if (namesFile(option->get_name())) {
        command.arguments = Arguments::Files;
      } else if (auto choices = choicesOf(*option); !choices.empty()) {
        command.arguments = Arguments::Choices;
        command.choices = choices;
      }
      continue;
    }
    std::vector<std::string> names;
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    for (const std::string& name : names) {
      CompletedOption completed{name, option->get_expected_max() > 0, namesFile(names.front()),
                                choicesOf(*option)};
      command.options.push_back(completed);
    }
  }
  if (auto settings = kSettingArguments.find(path); settings != kSettingArguments.end()) {
    command.arguments = settings->second;
  }
  std::vector<const CLI::App*> subcommands = app.get_subcommands({});
  for (const CLI::App* sub : subcommands) command.subcommands.push_back(sub->get_name());
  model.commands.push_back(command);
  for (const CLI::App* sub : subcommands) addCommand(*sub, path + " " + sub->get_name(), model);
}

std::string argumentsWord(const CompletedCommand& command) {
  switch (command.arguments) {
    case Arguments::Choices:
      return "choices " + joinedWords(command.choices);
    case Arguments::Files:
      return "files";
    case Arguments::Settings:
      return "settings";
    case Arguments::Pairs:
      return "pairs";
    case Arguments::None:
      break;
  }
  return "none";
}

}  // namespace

CompletionModel completionModel(const CLI::App& app) {
  CompletionModel model;
  addCommand(app, "vemoctl", model);
  const ModelChoices named = everyDescribedChoice();
  for (const Setting& setting : catalogue()) {
    model.readableSettings.emplace_back(setting.name);
    if (!setting.writable()) continue;
    model.writableSettings.emplace_back(setting.name);
    model.settingValues[setting.name] = valuesOf(setting, named);
  }
  return model;
}

std::string joinedWords(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

std::string completionTables(const CompletionModel& model, TableWriter table, const std::string& assignment) {
  Table subcommands, options, arguments, optionValues, settingValues;
  for (const CompletedCommand& command : model.commands) {
    subcommands.emplace_back(command.path, joinedWords(command.subcommands));
    arguments.emplace_back(command.path, argumentsWord(command));
    std::vector<std::string> names;
    for (const CompletedOption& option : command.options) {
      names.push_back(option.name);
      if (!option.takesValue) continue;
      optionValues.emplace_back(option.name, option.valueIsFile       ? "@file"
                                             : option.choices.empty() ? "@any"
                                                                      : joinedWords(option.choices));
    }
    options.emplace_back(command.path, joinedWords(names));
  }
  for (const auto& [name, values] : model.settingValues)
    settingValues.emplace_back(name, joinedWords(values));
  return table("_vemoctl_subcommands", subcommands) + table("_vemoctl_options", options) +
         table("_vemoctl_arguments", arguments) + table("_vemoctl_option_values", optionValues) +
         table("_vemoctl_setting_values", settingValues) + assignment + "_vemoctl_readable=\"" +
         joinedWords(model.readableSettings) + "\"\n" + assignment + "_vemoctl_writable=\"" +
         joinedWords(model.writableSettings) + "\"\n";
}

}  // namespace vemoctl
