// vemoctl's command line: the global options, the commands and their
// arguments, and which command was asked for.
#pragma once

#include <CLI/CLI.hpp>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/vemoctl/commands/automation.h"
#include "tools/vemoctl/commands/commands.h"

namespace vemoctl {

class CommandLine {
 public:
  CommandLine();

  // Nothing when a command is ready to run; otherwise the exit code (help or
  // version printed, or a usage error reported).
  std::optional<int> parse(int argc, char** argv);
  const GlobalOptions& options() const { return options_; }
  bool needsSimulator() const;
  int runCommand();

 private:
  CLI::App* add(CLI::App& parent, const char* name, const char* help, std::function<int()> run);
  void addMonitorCommands();
  void addSettingCommands();
  void addScalerCommands();
  void addUpkeepCommands();
  void addAutomationCommands();  // automation_commands.cpp
  // Runs a command on the chosen monitor, or on each with `--monitor all`
  // (`input`: standard input, passed to each run).
  int onMonitors(const std::function<int(MonitorLink&)>& run, bool input = false);
  std::string unknownCommand(int argc, char** argv) const;

  CLI::App app_;
  GlobalOptions options_;
  std::deque<std::pair<CLI::App*, std::function<int()>>> commands_;
  CLI::App* simReset_ = nullptr;

  std::vector<std::string> names_;
  bool all_ = false;
  bool yes_ = false;
  bool identity_ = false;
  bool verify_ = false;
  std::string monitorText_;
  std::vector<std::string> words_;
  RestoreOptions restore_;
  std::string name_, value_, file_, group_;
  std::string reg_, count_ = "1", mask_, expected_;
  std::vector<std::string> bytes_;
  std::string output_, shell_;
  bool allSettings_ = false;
  std::string level_, autoState_;
  CalibrateOptions calibrate_;
  NightOptions night_;
  int tries_ = 0;
  double timeout_ = 0;
  CLI::Option* monitorOption_ = nullptr;
  CLI::Option* triesOption_ = nullptr;
  CLI::Option* timeoutOption_ = nullptr;
};

}  // namespace vemoctl
