// vemoctl set: one setting or several, each to a value or by a step (+N,
// -N), and with --verify a check that each write took.
#include <iostream>
#include <optional>

#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/value_forms.h"

namespace vemoctl {
namespace {

struct Assignment {
  const Setting* setting;
  std::string text;
  Value value;
  std::optional<int> delta;  // a step from the current value
};

Assignment assignmentOf(MonitorLink& link, const std::string& name, const std::string& text) {
  const Setting& setting = settingNamed(name);
  if (text.empty() || (text[0] != '+' && text[0] != '-')) {
    // A name is looked up in the monitor's model description only when the
    // value is not a number.
    const ChoiceNames* names = mayBeChoiceName(setting, text) ? choiceNamesOf(link, setting) : nullptr;
    return {&setting, text, checkedValue(setting, text, names), std::nullopt};
  }
  if (setting.kind != Kind::Byte || !setting.writable()) {
    throw ToolError(kUsage, name + ": a step (" + text + ") moves one-byte settings only");
  }
  const std::string size = text.substr(1);
  if (size.empty() || size.find_first_not_of("0123456789") != std::string::npos) {
    throw ToolError(kUsage, name + ": '" + text + "' is not a number");
  }
  int step = size.size() > 3 ? 0xFFFF : std::stoi(size);  // any step beyond 255 crosses the whole range
  return {&setting, text, {}, text[0] == '-' ? -step : step};
}

// Every value is checked before anything is sent.
std::vector<Assignment> assignmentsOf(MonitorLink& link, const std::vector<std::string>& words) {
  if (words.empty() || words.size() % 2 != 0) {
    throw ToolError(kUsage, "set: give NAME VALUE, or several NAME VALUE pairs");
  }
  std::vector<Assignment> assignments;
  for (std::size_t i = 0; i < words.size(); i += 2)
    assignments.push_back(assignmentOf(link, words[i], words[i + 1]));
  return assignments;
}

}  // namespace

int runSet(const GlobalOptions& options, MonitorLink& link, const std::vector<std::string>& words,
           bool verify) {
  std::vector<Assignment> assignments = assignmentsOf(link, words);
  int failure = kOk;
  auto fail = [&failure](ExitCode code, const std::string& message) {
    printError(message);
    if (failure == kOk) failure = code;
  };
  Json written = Json::object();
  for (const Assignment& a : assignments) {
    const std::string name = a.setting->name;
    Value sent = a.value;
    Outcome outcome;
    if (a.delta) {
      unsigned value = 0;
      outcome = link.adjust(*a.setting, *a.delta, value);
      sent.number = value;
    } else {
      outcome = link.write(*a.setting, a.value);
    }
    if (!outcome.ok()) {
      fail(outcome.code, about("set", name, outcome.message));
      continue;
    }
    if (a.delta) written[name] = sent.number;
    if (!verify) continue;
    Readout back = link.read(*a.setting);
    if (!back.outcome.ok()) {
      fail(back.outcome.code, "set " + name + ": reading it back: " + back.outcome.message);
    } else if (!sameValue(*a.setting, sent, back.value)) {
      fail(kExchangeFailed, "set " + name + ": sent " + textLines(*a.setting, sent).front() +
                                " but read back " + heldLine(*a.setting, sent, back));
    }
  }
  if (options.json && !written.empty()) {
    printJson(written);
  } else if (assignments.size() == 1 && !written.empty()) {
    std::cout << written.begin().value().get<int>() << '\n';
  } else {
    for (const auto& [name, value] : written.items()) std::cout << name << ": " << value.get<int>() << '\n';
  }
  return failure;
}

}  // namespace vemoctl
