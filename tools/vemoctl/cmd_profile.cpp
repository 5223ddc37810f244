// vemoctl restore: apply a saved profile (what dump printed, text or JSON).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/output.h"
#include "tools/vemoctl/session.h"

namespace vemoctl {
namespace {

struct Entry {
  const Setting* setting;
  std::string text;
  std::string where;  // "line 3" or "key brightness", for messages
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
    for (std::string& t : textsFromJson(setting, value)) {
      entries.push_back({&setting, std::move(t), "key " + name});
    }
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
    entries.push_back({&setting, trim(content.substr(colon + 1)), where});
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

struct Outcome {
  const Entry* entry;
  int result;  // library result, or STATUS_OUT_OF_RANGE for a value no setter can take
  std::string message;
};

const char* resultName(int result) {
  switch (result) {
    case STATUS_OK:
      return "ok";
    case STATUS_OUT_OF_RANGE:
      return "out-of-range";
    default:
      return "failed";
  }
}

}  // namespace

int runRestore(const GlobalOptions& options, const std::string& file) {
  std::vector<Entry> entries = parseProfile(readAll(file));
  std::vector<const Entry*> writable;
  int readOnly = 0;
  for (const Entry& entry : entries) {
    if (entry.setting->writable()) {
      writable.push_back(&entry);
    } else {
      ++readOnly;
    }
  }
  if (writable.empty()) {
    throw ToolError(kUsage, "restore: " + file + " holds no setting that can be written; nothing sent");
  }
  // Every value must have the right form before anything is sent.
  std::vector<std::pair<const Entry*, Write>> writes;
  for (const Entry* entry : writable) {
    try {
      writes.emplace_back(entry, parseValue(*entry->setting, entry->text));
    } catch (const ToolError& e) {
      // A number too wide for the setter is rejected like any other value
      // out of range; a malformed one makes the whole profile unusable.
      if (e.code() != kOutOfRange) {
        throw ToolError(e.code(), "restore: " + entry->where + ": " + e.what());
      }
      writes.emplace_back(entry, Write{});
    }
  }

  Session session(options.monitor);
  Progress progress(static_cast<int>(writes.size()));
  std::vector<Outcome> outcomes;
  for (auto& [entry, write] : writes) {
    progress.step(entry->setting->name);
    Outcome outcome{entry, STATUS_OUT_OF_RANGE, ""};
    clearBridgeError();
    if (write) outcome.result = write();
    const Setting& setting = *entry->setting;
    if (outcome.result == STATUS_OUT_OF_RANGE) {
      outcome.message = "out of range; accepted values: " + acceptedValues(setting);
    } else if (outcome.result != STATUS_OK) {
      outcome.message = describeFailure(outcome.result, "value");
    }
    progress.clear();
    std::string line = std::string(setting.name) + ": " + entry->text + " ";
    if (!options.json)
      std::cout << line << (outcome.result == STATUS_OK ? "ok" : outcome.message) << std::endl;
    // Failures also reach someone who sent the report itself elsewhere.
    if (outcome.result != STATUS_OK) printError("restore: " + line + outcome.message);
    outcomes.push_back(outcome);
  }

  int failed = 0;
  int rejected = 0;
  for (const Outcome& o : outcomes) {
    if (o.result == STATUS_OUT_OF_RANGE)
      ++rejected;
    else if (o.result != STATUS_OK)
      ++failed;
  }
  int written = static_cast<int>(outcomes.size()) - failed - rejected;
  if (options.json) {
    Json results = Json::array();
    for (const Outcome& o : outcomes) {
      Json r{{"setting", o.entry->setting->name}, {"value", o.entry->text}, {"result", resultName(o.result)}};
      if (o.result != STATUS_OK) r["message"] = o.message;
      results.push_back(r);
    }
    printJson(Json{{"results", results},
                   {"written", written},
                   {"rejected", rejected},
                   {"failed", failed},
                   {"read-only-skipped", readOnly}});
  }
  std::string summary = std::to_string(written) + " written, " + std::to_string(rejected) + " rejected, " +
                        std::to_string(failed) + " failed, " + std::to_string(readOnly) +
                        " read-only skipped";
  if (!options.json) std::cout << summary << std::endl;
  if (failed > 0 || rejected > 0) printError("restore: " + summary);
  if (failed > 0) return kExchangeFailed;
  if (rejected > 0) return kOutOfRange;
  return kOk;
}

}  // namespace vemoctl
