// vemoctl restore: apply a saved profile (what dump printed, text or JSON).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "tools/vemoctl/backends/monitor_selection.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/value_forms.h"

namespace vemoctl {
namespace {

struct Entry {
  const Setting* setting;
  std::string text;
  std::string where;  // "line 3" or "key brightness", for messages
  Value value;        // once checked
};

std::string trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::string readAll(const std::string& file) {
  std::stringstream text;
  if (file == "-") {
    text << std::cin.rdbuf();
    return text.str();
  }
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec))
    throw ToolError(kUsage, "restore: " + file + " is a directory");
  std::ifstream in(file);
  if (!in) throw ToolError(kUsage, "restore: cannot read " + file);
  text << in.rdbuf();
  return text.str();
}

std::vector<Entry> entriesFromJson(const std::string& text) {
  Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    throw ToolError(kUsage, "restore: the profile is not valid JSON (an object of settings)");
  }
  std::vector<Entry> entries;
  for (const auto& [name, value] : json.items()) {
    const Setting& setting = settingNamed(name);
    std::vector<std::string> texts;
    try {
      texts = textsFromJson(setting, value);
    } catch (const ValueError& e) {
      throw toolError(e);
    }
    for (std::string& t : texts) entries.push_back({&setting, std::move(t), "key " + name, {}});
  }
  return entries;
}

std::vector<Entry> entriesFromText(const std::string& text) {
  std::vector<Entry> entries;
  std::stringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::string content = trim(line);
    if (content.empty() || content[0] == '#') continue;
    auto colon = content.find(':');
    std::string where = "line " + std::to_string(number);
    if (colon == std::string::npos) {
      throw ToolError(kUsage, "restore: " + where + ": expected NAME: VALUE");
    }
    const Setting& setting = settingNamed(trim(content.substr(0, colon)));
    entries.push_back({&setting, trim(content.substr(colon + 1)), where, {}});
  }
  return entries;
}

std::vector<Entry> parseProfile(const std::string& text) {
  std::string start = trim(text);
  try {
    return !start.empty() && start[0] == '{' ? entriesFromJson(text) : entriesFromText(text);
  } catch (const ToolError& e) {
    if (e.code() != kUsage || std::string(e.what()).rfind("restore:", 0) == 0) throw;
    throw ToolError(kUsage, std::string("restore: ") + e.what());
  }
}

// A profile of several monitors, as `--monitor all dump` writes it: {Id:
// profile} in JSON, "Id: name: value" lines in text. Empty for a profile of
// one monitor.
std::map<std::string, std::string> profilesById(const std::string& text) {
  std::map<std::string, std::string> byId;
  std::string start = trim(text);
  if (!start.empty() && start[0] == '{') {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object() || json.empty()) return {};
    for (const auto& [key, value] : json.items()) {
      if (findSetting(key) != nullptr || !value.is_object()) return {};
      byId[key] = value.dump();
    }
    return byId;
  }
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::string content = trim(line);
    if (content.empty() || content[0] == '#') continue;
    auto colon = content.find(':');
    if (colon == std::string::npos) return {};
    std::string first = trim(content.substr(0, colon));
    if (findSetting(first) != nullptr) return {};
    byId[first] += content.substr(colon + 1) + "\n";
  }
  return byId;
}

// The Id of the monitor this run restores.
std::string ownId(const GlobalOptions& options) {
  std::vector<Identity> all = chooseBackend(options)->monitors(true);
  if (options.monitor.kind == MonitorChoice::Kind::Key)
    return all.at(monitorNamed(all, options.monitor.key)).id;
  for (const Identity& monitor : all) {
    if (monitor.index == options.monitor.index) return monitor.id;
  }
  throw ToolError(kNoMonitor, "no monitor " + std::to_string(options.monitor.index));
}

enum class Status { Written, Unchanged, Rejected, Failed, Kept };

struct Result {
  const Entry* entry;
  Status status;
  std::string message;
};

const char* statusName(Status status) {
  switch (status) {
    case Status::Written:
      return "ok";
    case Status::Unchanged:
      return "unchanged";
    case Status::Rejected:
      return "out-of-range";
    case Status::Kept:
      return "kept";
    default:
      return "failed";
  }
}

// The profile's entries that restore applies: all of them, or the settings
// --only names (each must be in the profile).
std::vector<Entry*> chosenEntries(std::vector<Entry>& entries, const std::vector<std::string>& only) {
  std::vector<Entry*> chosen;
  std::set<const Setting*> named;
  for (const std::string& name : only) {
    try {
      named.insert(&settingNamed(name));
    } catch (const ToolError& e) {
      throw ToolError(e.code(), std::string("restore: --only: ") + e.what());
    }
  }
  for (Entry& entry : entries) {
    if (named.empty() || named.count(entry.setting) > 0) chosen.push_back(&entry);
  }
  for (const Setting* setting : named) {
    bool inProfile = std::any_of(chosen.begin(), chosen.end(),
                                 [setting](const Entry* e) { return e->setting == setting; });
    if (!inProfile) {
      throw ToolError(
          kUsage, std::string("restore: --only: the profile holds no ") + setting->name + "; nothing sent");
    }
  }
  return chosen;
}

// What the monitor holds now, read once per setting; a setting that cannot
// be read is written anyway.
class Current {
 public:
  explicit Current(MonitorLink& link) : link_(link) {}
  const Readout& of(const Setting& setting) {
    auto found = read_.find(&setting);
    if (found == read_.end()) found = read_.emplace(&setting, link_.read(setting)).first;
    return found->second;
  }
  bool holds(const Entry& entry) {
    const Readout& now = of(*entry.setting);
    return now.outcome.ok() && sameValue(*entry.setting, entry.value, now.value);
  }

 private:
  MonitorLink& link_;
  std::map<const Setting*, Readout> read_;
};

std::string outOfRangeMessage(const Setting& setting) {
  return "out of range; accepted values: " + acceptedValues(setting);
}

// restore --dry-run: the settings that would change, old and new; nothing is
// sent. Values out of range and failed reads are reported as a restore would.
int dryRun(const GlobalOptions& options, MonitorLink& link,
           const std::vector<std::pair<const Entry*, bool>>& checked) {
  Current current(link);
  Json changes = Json::array();
  int failure = kOk;
  for (const auto& [entry, inRange] : checked) {
    const Setting& setting = *entry->setting;
    if (!inRange) {
      printError("restore: " + std::string(setting.name) + ": " + entry->text + " " +
                 outOfRangeMessage(setting));
      if (failure == kOk) failure = kOutOfRange;
      continue;
    }
    const Readout& now = current.of(setting);
    if (!now.outcome.ok()) {
      printError(about("restore:", setting.name, now.outcome.message));
      if (failure == kOk) failure = now.outcome.code;
      continue;
    }
    if (current.holds(*entry)) continue;
    std::string held = heldLine(setting, entry->value, now);
    if (!options.json) std::cout << setting.name << ": " << held << " -> " << entry->text << '\n';
    // In JSON the values take the forms of dump --json: numbers, masks in hex.
    Value from = now.value;
    if (setting.kind == Kind::CustomColor) {
      from.colors.clear();
      for (const CustomColor& color : now.value.colors) {
        if (!entry->value.colors.empty() && color.type == entry->value.colors.front().type)
          from.colors.push_back(color);
      }
    }
    Json change{{"setting", setting.name},
                {"from", jsonForm(setting, from)},
                {"to", jsonForm(setting, entry->value)}};
    if (std::string name = choiceName(entry->value, choiceNamesOf(link, setting)); !name.empty())
      change["choice"] = name;
    changes.push_back(change);
  }
  if (options.json) printJson(Json{{"changes", changes}});
  return failure;
}

}  // namespace

int runRestore(const GlobalOptions& options, MonitorLink& link, const std::string& file,
               const RestoreOptions& restore) {
  std::string text = readAll(file);
  if (std::map<std::string, std::string> byId = profilesById(text); !byId.empty()) {
    // Each monitor takes its own entry of a profile of several.
    std::string id = ownId(options);
    auto own = byId.find(id);
    if (own == byId.end()) {
      printError("restore: " + file + " holds no profile for monitor " + id + "; skipped");
      return kOk;
    }
    text = own->second;
  }
  std::vector<Entry> entries = parseProfile(text);
  std::vector<Entry*> writable;
  std::vector<const Entry*> kept;
  int readOnly = 0;
  for (Entry* entry : chosenEntries(entries, restore.only)) {
    // An asset tag copied to another monitor would give two monitors one
    // key: it is written only when --only names it.
    if (restore.only.empty() && std::string(entry->setting->name) == "asset-tag") {
      kept.push_back(entry);
    } else if (entry->setting->writable()) {
      writable.push_back(entry);
    } else {
      ++readOnly;
    }
  }
  if (writable.empty() && kept.empty()) {
    throw ToolError(kUsage, "restore: " + file + " holds no setting that can be written; nothing sent");
  }
  // Every value must have the right form before anything is sent.
  std::vector<std::pair<const Entry*, bool>> checked;  // and whether it is in range
  for (Entry* entry : writable) {
    try {
      entry->value = checkedValue(*entry->setting, entry->text);
      checked.emplace_back(entry, true);
    } catch (const ToolError& e) {
      // A value out of range is rejected on its line; a malformed one makes
      // the whole profile unusable.
      if (e.code() != kOutOfRange) {
        throw ToolError(e.code(), "restore: " + entry->where + ": " + e.what());
      }
      checked.emplace_back(entry, false);
    }
  }
  if (restore.dryRun) return dryRun(options, link, checked);

  Current current(link);
  Progress progress(static_cast<int>(checked.size()));
  std::vector<Result> results;
  for (const Entry* entry : kept) {
    if (!options.json)
      std::cout << entry->setting->name << ": " << entry->text << " kept (--only asset-tag writes it)\n";
    results.push_back({entry, Status::Kept, ""});
  }

  for (const auto& [entry, inRange] : checked) {
    const Setting& setting = *entry->setting;
    progress.step(setting.name);
    Result result{entry, Status::Rejected, outOfRangeMessage(setting)};
    if (inRange && current.holds(*entry)) {
      result = {entry, Status::Unchanged, ""};
    } else if (inRange) {
      Outcome outcome = link.write(setting, entry->value);
      result.status = outcome.ok()                  ? Status::Written
                      : outcome.code == kOutOfRange ? Status::Rejected
                                                    : Status::Failed;
      if (!outcome.ok()) {
        // The line names the setting already.
        const std::string subject = std::string(setting.name) + ": ";
        result.message =
            outcome.message.rfind(subject, 0) == 0 ? outcome.message.substr(subject.size()) : outcome.message;
      }
    }
    progress.clear();
    bool done = result.status == Status::Written || result.status == Status::Unchanged;
    std::string line = std::string(setting.name) + ": " + entry->text + " ";
    if (!options.json) std::cout << line << (done ? statusName(result.status) : result.message) << std::endl;
    // Failures also reach someone who sent the report itself elsewhere.
    if (!done) printError("restore: " + line + result.message);
    results.push_back(result);
  }

  std::map<Status, int> count;
  for (const Result& r : results) ++count[r.status];
  if (options.json) {
    Json lines = Json::array();
    for (const Result& r : results) {
      Json line{
          {"setting", r.entry->setting->name}, {"value", r.entry->text}, {"result", statusName(r.status)}};
      if (std::string name = choiceName(r.entry->value, choiceNamesOf(link, *r.entry->setting));
          !name.empty()) {
        line["choice"] = name;  // beside the value, where the model names it
      }
      if (!r.message.empty()) line["message"] = r.message;
      lines.push_back(line);
    }
    printJson(Json{{"results", lines},
                   {"written", count[Status::Written]},
                   {"unchanged", count[Status::Unchanged]},
                   {"rejected", count[Status::Rejected]},
                   {"failed", count[Status::Failed]},
                   {"read-only-skipped", readOnly},
                   {"kept", count[Status::Kept]}});
  }
  // Every value of the profile (or of --only) is counted once.
  std::string summary =
      std::to_string(count[Status::Written]) + " written, " + std::to_string(count[Status::Unchanged]) +
      " unchanged, " + std::to_string(count[Status::Rejected]) + " rejected, " +
      std::to_string(count[Status::Failed]) + " failed, " + std::to_string(readOnly) + " read-only skipped";
  if (count[Status::Kept] > 0) summary += ", asset tag kept";
  if (!options.json) std::cout << summary << std::endl;
  if (count[Status::Failed] > 0 || count[Status::Rejected] > 0) printError("restore: " + summary);
  if (count[Status::Failed] > 0) return kExchangeFailed;
  if (count[Status::Rejected] > 0) return kOutOfRange;
  return kOk;
}

}  // namespace vemoctl
