#include "tools/vemoctl/command_line/command_line.h"

#include "tools/vemoctl/backends/lazy_link.h"
#include "tools/vemoctl/backends/monitor_selection.h"
#include "tools/vemoctl/bridges/wait.h"
#include "tools/vemoctl/command_line/fan_out.h"
#include "tools/vemoctl/command_line/suggest.h"
#include "tools/vemoctl/exit_codes.h"
#include "tools/vemoctl/output/printing.h"
#include "tools/vemoctl/settings_model.h"

namespace vemoctl {
namespace {

constexpr unsigned kMaxRegisterWrite = 1023;
constexpr unsigned kMaxRegisterRead = 254;
constexpr int kDefaultWaitTries = 50;

std::string settingsHelp(bool writableOnly) {
  std::string out = writableOnly ? "Settings and their accepted values:\n" : "Settings:\n";
  for (const Setting& setting : catalogue()) {
    if (writableOnly && !setting.writable()) continue;
    out += "  " + padded(setting.name, 25) + acceptedOrReadOnly(setting) + "\n";
  }
  return out;
}

unsigned number(const std::string& what, const std::string& text, unsigned max, unsigned min = 0) {
  std::string accepted = std::to_string(min) + " to " + std::to_string(max);
  unsigned value = 0;
  try {
    value = static_cast<unsigned>(parseUnsigned(what, text, max, accepted));
  } catch (const ValueError& e) {
    throw toolError(e);
  }
  if (value < min) {
    throw ToolError(kOutOfRange, what + ": " + text + " is out of range; accepted values: " + accepted);
  }
  return value;
}

}  // namespace

CommandLine::CommandLine() : app_("vemoctl: read and change a monitor's settings through its USB bridge.") {
  app_.footer(std::string("\n") + kExitCodeHelp +
              "\nWith --simulate, the monitor is the simulator; its state file is\n"
              "$VEMO_SIM_STATE, else $XDG_STATE_HOME/vemo/simulator.json, else\n"
              "~/.local/state/vemo/simulator.json.");
  app_.set_version_flag("--version", VEMOCTL_VERSION);
  app_.require_subcommand(1);
  app_.fallthrough();
  monitorOption_ = app_.add_option("--monitor", monitorText_,
                                   "Monitor: index from 0 (see list), Id, USB serial, serial number, "
                                   "asset tag, or all");
  app_.add_flag("--direct", options_.direct, "Reach the monitors through the library even when vemod runs");
  app_.add_option("--log-level", options_.logLevel,
                  "Write the library's log file VemoMonitorSdk.log in the current directory")
      ->check(CLI::IsMember({"off", "error", "warn", "debug", "trace"}));
  app_.add_flag("--json", options_.json, "Print values as JSON");
  app_.add_flag("--simulate", options_.simulate, "Talk to the simulated monitor instead of USB");
  app_.add_option("--wait", options_.wait,
                  "Seconds to wait for a bridge another program holds (directly; default 5)")
      ->check(CLI::Range(0.0, 3600.0));

  addMonitorCommands();
  addSettingCommands();
  addScalerCommands();
  addUpkeepCommands();
  addAutomationCommands();
  add(app_, "settings", "List every setting with its kind and accepted values",
      [this] { return runSettings(options_); });
  simReset_ = add(app_, "sim-reset", "Put the simulated monitor back to its factory state",
                  [this] { return runSimReset(options_); });
}

CLI::App* CommandLine::add(CLI::App& parent, const char* name, const char* help, std::function<int()> run) {
  CLI::App* command = parent.add_subcommand(name, help);
  commands_.emplace_back(command, std::move(run));
  return command;
}

void CommandLine::addMonitorCommands() {
  CLI::App* list =
      add(app_, "list", "List the monitor bridges found", [this] { return runList(options_, identity_); });
  list->add_flag("--identity", identity_, "Read each monitor's model, serial number and asset tag too");
  add(app_, "info", "Show identity, backlight hours and capabilities",
      [this] { return onMonitors([this](MonitorLink& link) { return runInfo(options_, link); }); });
  CLI::App* reset = add(app_, "reset", "Reset a group of settings", [this] {
    if (options_.monitor.kind == MonitorChoice::Kind::All && group_ == "factory" && !yes_) {
      throw ToolError(kNotConfirmed, "a factory reset of every monitor needs --yes; nothing sent");
    }
    return onMonitors([this](MonitorLink& link) { return runReset(options_, link, group_, yes_); });
  });
  reset->add_option("group", group_, "power, color, osd or factory")
      ->required()
      ->check(CLI::IsMember({"power", "color", "osd", "factory"}));
  reset->add_flag("--yes,-y", yes_, "Do not ask before a factory reset");
}

void CommandLine::addSettingCommands() {
  CLI::App* get = add(app_, "get", "Read settings (one name: the bare value)", [this] {
    return onMonitors([this](MonitorLink& link) { return runGet(options_, link, names_, all_); });
  });
  get->add_option("names", names_, "Setting names");
  get->add_flag("--all", all_, "Every setting");
  get->footer(settingsHelp(false));

  CLI::App* set = add(app_, "set", "Write settings: NAME VALUE [NAME VALUE...]", [this] {
    std::vector<std::string> words = {name_, value_};
    words.insert(words.end(), words_.begin(), words_.end());
    return onMonitors([this, words](MonitorLink& link) { return runSet(options_, link, words, verify_); });
  });
  set->add_option("name", name_, "Setting name")->required();
  set->add_option("value", value_, "Value (masks in hex, e.g. 0x04; +N or -N steps a one-byte setting)")
      ->required();
  set->add_option("more", words_, "More NAME VALUE pairs");
  set->add_flag("--verify", verify_, "Read each setting back; exit 1 when it differs");
  set->footer(settingsHelp(true));

  add(app_, "dump", "Print every readable setting (a profile for restore)",
      [this] { return onMonitors([this](MonitorLink& link) { return runDump(options_, link); }); });
  CLI::App* restore = add(app_, "restore", "Apply a profile written by dump (FILE, or - for stdin)", [this] {
    return onMonitors([this](MonitorLink& link) { return runRestore(options_, link, file_, restore_); },
                      file_ == "-");
  });
  restore->add_option("file", file_, "Profile file, or -")->required();
  restore->add_flag("--dry-run", restore_.dryRun, "Print the settings that would change; send nothing");
  restore->add_option("--only", restore_.only, "Apply only these settings (NAME,NAME...)")->delimiter(',');
}

void CommandLine::addUpkeepCommands() {
  CLI::App* metrics = add(app_, "metrics", "Every monitor's identity and state in the Prometheus text format",
                          [this] { return runMetrics(options_, output_, allSettings_); });
  metrics->add_option("--output", output_, "Replace FILE in one step instead of printing");
  metrics->add_flag("--all-settings", allSettings_, "Every one-byte and mask setting too");
  add(app_, "doctor", "Check what a monitor needs to be usable, and say what to do",
      [this] { return runDoctor(options_); });
  CLI::App* completion = add(app_, "completion", "Print the completion script for a shell",
                             [this] { return runCompletion(app_, shell_); });
  completion->add_option("shell", shell_, "bash, zsh or fish")
      ->required()
      ->check(CLI::IsMember({"bash", "zsh", "fish"}));
}

void CommandLine::addScalerCommands() {
  CLI::App* reg = app_.add_subcommand("register", "Scaler registers at I2C address 0x4A");
  reg->require_subcommand(1);

  CLI::App* read = add(*reg, "read", "Read COUNT bytes from register REG on", [this] {
    return runRegisterRead(options_, number("register", reg_, 0xFF),
                           number("count", count_, kMaxRegisterRead, 1));
  });
  read->add_option("reg", reg_, "Register (0 to 0xFF)")->required();
  read->add_option("count", count_, "Number of bytes (1 to 254, default 1)");

  CLI::App* write = add(*reg, "write", "Write bytes from register REG on", [this] {
    std::vector<unsigned> bytes;
    for (const std::string& b : bytes_) bytes.push_back(number("byte", b, 0xFF));
    if (bytes.size() > kMaxRegisterWrite) {
      throw ToolError(kOutOfRange, "register write: at most " + std::to_string(kMaxRegisterWrite) + " bytes");
    }
    return runRegisterWrite(options_, number("register", reg_, 0xFF), bytes);
  });
  write->add_option("reg", reg_, "Register (0 to 0xFF)")->required();
  write->add_option("bytes", bytes_, "Bytes to write (1 to 1023)")->required();

  CLI::App* wait = add(*reg, "wait", "Poll REG until (REG & MASK) == (VALUE & MASK)", [this] {
    // Without a time limit, the number of reads is limited.
    int tries = triesOption_->count() > 0 || timeoutOption_->count() > 0 ? tries_ : kDefaultWaitTries;
    return runRegisterWait(options_, number("register", reg_, 0xFF), number("mask", mask_, 0xFF),
                           number("value", expected_, 0xFF), tries, timeout_);
  });
  wait->add_option("reg", reg_, "Register (0 to 0xFF)")->required();
  wait->add_option("mask", mask_, "Bits to compare")->required();
  wait->add_option("value", expected_, "Expected bits")->required();
  triesOption_ = wait->add_option("--tries", tries_, "Reads before giving up (default 50 without --timeout)")
                     ->check(CLI::Range(1, 100000));
  timeoutOption_ =
      wait->add_option("--timeout", timeout_, "Seconds before giving up")->check(CLI::Range(0.1, 3600.0));

  add(app_, "isp", "Switch the scaler into ISP mode and write its defaults",
      [this] { return runIsp(options_); });
}

std::optional<int> CommandLine::parse(int argc, char** argv) {
  try {
    app_.parse(argc, argv);
    options_.monitorGiven = monitorOption_->count() > 0;
    if (options_.monitorGiven) options_.monitor = parseMonitorChoice(monitorText_);
    setBridgeWait(options_.wait);
    return std::nullopt;
  } catch (const ToolError& e) {
    printError(e.what());
    return e.code();
  } catch (const CLI::Success& e) {
    return app_.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    std::string unknown = unknownCommand(argc, argv);
    printError((unknown.empty() ? std::string(e.what()) : unknown) + " (see vemoctl --help)");
    return kUsage;
  }
}

bool CommandLine::needsSimulator() const { return options_.simulate || simReset_->parsed(); }

int CommandLine::onMonitors(const std::function<int(MonitorLink&)>& run, bool input) {
  std::unique_ptr<Backend> backend = chooseBackend(options_);
  if (options_.monitor.kind == MonitorChoice::Kind::All) {
    std::optional<std::string> text;
    if (input) text = std::string(std::istreambuf_iterator<char>(std::cin), {});
    return runOnEachMonitor(*backend, options_.json, text, [this, &run](const MonitorChoice& one) {
      options_.monitor = one;  // in a process of its own
      std::unique_ptr<Backend> own = chooseBackend(options_);
      LazyLink link([&own, &one] { return own->open(one); });
      return run(link);
    });
  }
  LazyLink link([&backend, this] { return backend->open(options_.monitor); });
  return run(link);
}

int CommandLine::runCommand() {
  for (const auto& [command, run] : commands_) {
    if (command->parsed()) return run();
  }
  return kUsage;
}

// The first word that is neither an option nor an option's value, when it
// names no command: a mistyped command.
std::string CommandLine::unknownCommand(int argc, char** argv) const {
  std::vector<std::string> names;
  for (const CLI::App* command : app_.get_subcommands({})) names.push_back(command->get_name());
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--monitor" || word == "--log-level" || word == "--wait") {
      ++i;
      continue;
    }
    if (word.empty() || word[0] == '-') continue;
    if (std::find(names.begin(), names.end(), word) != names.end()) return "";
    std::string nearest = nearestName(word, names);
    return "unknown command '" + word + "'" + (nearest.empty() ? "" : "; did you mean '" + nearest + "'?");
  }
  return "";
}

}  // namespace vemoctl
