#include "catalogue/models.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace vemo::catalogue {
namespace {

namespace fs = std::filesystem;

std::vector<std::string>& addedDirectories() {
  static std::vector<std::string> added;
  return added;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool validName(const std::string& name) {
  return !name.empty() && !looksLikeNumber(name) &&
         name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") == std::string::npos;
}

// Reported once per process: a broken description is named, not repeated.
void report(const std::string& problem) {
  static std::mutex lock;
  static std::set<std::string> told;
  std::lock_guard<std::mutex> guard(lock);
  if (told.insert(problem).second) std::fprintf(stderr, "vemo: model description %s\n", problem.c_str());
}

std::vector<fs::path> descriptionFiles(const std::string& directory) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".json") files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::vector<std::string> modelDirectories() {
  std::vector<std::string> directories;
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty() && !environment("HOME").empty()) config = environment("HOME") + "/.config";
  if (!config.empty()) directories.push_back(config + "/vemo/models");
  for (const std::string& added : addedDirectories()) directories.push_back(added);
  std::string data = environment("XDG_DATA_DIRS");
  if (data.empty()) data = "/usr/local/share:/usr/share";
  std::stringstream parts(data);
  for (std::string part; std::getline(parts, part, ':');) {
    if (!part.empty()) directories.push_back(part + "/vemo/models");
  }
  return directories;
}

void addModelDirectoriesBesideProgram(const std::vector<std::string>& relative) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  for (const std::string& path : relative) {
    addedDirectories().push_back((self.parent_path() / path).lexically_normal().string());
  }
}

ModelChoices checkedChoices(const Json& description, std::vector<std::string>& problems) {
  ModelChoices choices;
  const Json& named = description.at("choices");
  if (!named.is_object()) {
    problems.push_back("\"choices\" is not an object");
    return choices;
  }
  for (const auto& [settingName, values] : named.items()) {
    const Setting* setting = findSetting(settingName);
    bool choiceSetting =
        setting != nullptr && setting->writable() &&
        ((setting->kind == Kind::Mask) || (setting->kind == Kind::Byte && setting->enumeration));
    if (!choiceSetting || !values.is_object()) {
      problems.push_back(settingName + " is not a setting with choices");
      continue;
    }
    ChoiceNames names;
    for (const auto& [name, value] : values.items()) {
      if (!validName(name)) {
        problems.push_back(settingName + ": '" + name + "' is not lower-case letters, digits and dashes");
        continue;
      }
      try {
        if (!value.is_number_unsigned()) throw ValueError(Problem::Malformed, "not a number");
        names[name] = numberValue(*setting, value.get<long long>()).number;
      } catch (const ValueError&) {
        problems.push_back(settingName + ": " + name + " is not a value the setting takes");
      }
    }
    if (!names.empty()) choices[settingName] = std::move(names);
  }
  return choices;
}

ModelChoices everyDescribedChoice() {
  ModelChoices merged;
  for (const std::string& directory : modelDirectories()) {
    for (const fs::path& file : descriptionFiles(directory)) {
      std::ifstream in(file);
      Json description = Json::parse(in, nullptr, false);
      if (description.is_discarded() || !description.is_object() || !description.contains("choices"))
        continue;
      std::vector<std::string> problems;
      for (const auto& [setting, names] : checkedChoices(description, problems)) {
        merged[setting].insert(names.begin(), names.end());
      }
    }
  }
  return merged;
}

ModelChoices choicesForModel(const std::string& model) {
  if (model.empty()) return {};
  for (const std::string& directory : modelDirectories()) {
    for (const fs::path& file : descriptionFiles(directory)) {
      std::ifstream in(file);
      Json description = Json::parse(in, nullptr, false);
      if (description.is_discarded() || !description.is_object() || !description.contains("model") ||
          !description["model"].is_string() || !description.contains("choices")) {
        report(file.string() + " is not {\"model\": ..., \"choices\": {...}}; passed over");
        continue;
      }
      if (description["model"].get<std::string>() != model) continue;
      std::vector<std::string> problems;
      ModelChoices choices = checkedChoices(description, problems);
      for (const std::string& problem : problems) report(file.string() + ": " + problem + "; passed over");
      return choices;
    }
  }
  return {};
}

}  // namespace vemo::catalogue
