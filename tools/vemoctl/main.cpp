// vemoctl: read and change a monitor's settings from a shell.
#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/exit_codes.h"
#include "tools/vemoctl/output.h"
#include "tools/vemoctl/simulate.h"
#include "tools/vemoctl/suggest.h"
#include "tools/vemoctl/values.h"

namespace vemoctl {
namespace {

const std::map<std::string, unsigned char> kLogLevels = {{"off", VEMO_LOG_OFF},
                                                         {"error", VEMO_LOG_ERROR},
                                                         {"warn", VEMO_LOG_WARN},
                                                         {"debug", VEMO_LOG_DEBUG},
                                                         {"trace", VEMO_LOG_TRACE}};

std::string settingsHelp(bool writableOnly) {
  std::string out = writableOnly ? "Settings and their accepted values:\n" : "Settings:\n";
  for (const Setting& setting : catalogue()) {
    if (writableOnly && !setting.writable()) continue;
    std::string name = setting.name;
    name.resize(std::max<std::size_t>(name.size() + 1, 25), ' ');
    out += "  " + name + (setting.writable() ? acceptedValues(setting) : "read-only") + "\n";
  }
  return out;
}

unsigned number(const std::string& what, const std::string& text, unsigned max) {
  return static_cast<unsigned>(parseUnsigned(what, text, max, "0 to " + std::to_string(max)));
}

// The first word that is neither an option nor an option's value, when it
// names no command: a mistyped command.
std::string unknownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--monitor" || word == "--log-level") {
      ++i;
      continue;
    }
    if (word.empty() || word[0] == '-') continue;
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == word) return "";
    }
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
    std::string nearest = nearestName(word, names);
    return "unknown command '" + word + "'" + (nearest.empty() ? "" : "; did you mean '" + nearest + "'?");
  }
  return "";
}

struct Command {
  CLI::App* app;
  std::function<int()> run;
};

int run(int argc, char** argv) {
  GlobalOptions options;
  CLI::App app{"vemoctl: read and change a monitor's settings through its USB bridge."};
  app.footer(std::string("\n") + kExitCodeHelp +
             "\nWith --simulate, the monitor is the simulator; its state file is\n"
             "$VEMO_SIM_STATE, else $XDG_STATE_HOME/vemo/simulator.json, else\n"
             "~/.local/state/vemo/simulator.json.");
  app.set_version_flag("--version", VEMOCTL_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.add_option("--monitor", options.monitor, "Monitor index, from 0 (see list)")->check(CLI::Range(0, 255));
  app.add_option("--log-level", options.logLevel,
                 "Write the library's log file VemoMonitorSdk.log in the current directory")
      ->check(CLI::IsMember({"off", "error", "warn", "debug", "trace"}));
  app.add_flag("--json", options.json, "Print values as JSON");
  app.add_flag("--simulate", options.simulate, "Talk to the simulated monitor instead of USB");

  std::vector<Command> commands;
  auto add = [&](const char* name, const char* help) {
    CLI::App* sub = app.add_subcommand(name, help);
    commands.push_back({sub, {}});
    return &commands.back();
  };
  commands.reserve(16);

  add("list", "List the monitor bridges found")->run = [&] { return runList(options); };
  add("info", "Show identity, backlight hours and capabilities")->run = [&] { return runInfo(options); };

  std::vector<std::string> getNames;
  bool getAll = false;
  Command* get = add("get", "Read settings (one name: the bare value)");
  get->app->add_option("names", getNames, "Setting names");
  get->app->add_flag("--all", getAll, "Every setting");
  get->app->footer(settingsHelp(false));
  get->run = [&] { return runGet(options, getNames, getAll); };

  std::string setName, setValue;
  Command* set = add("set", "Write one setting");
  set->app->add_option("name", setName, "Setting name")->required();
  set->app->add_option("value", setValue, "Value (masks in hex, e.g. 0x04)")->required();
  set->app->footer(settingsHelp(true));
  set->run = [&] { return runSet(options, setName, setValue); };

  add("dump", "Print every readable setting (a profile for restore)")->run = [&] { return runDump(options); };

  std::string restoreFile;
  Command* restore = add("restore", "Apply a profile written by dump (FILE, or - for stdin)");
  restore->app->add_option("file", restoreFile, "Profile file, or -")->required();
  restore->run = [&] { return runRestore(options, restoreFile); };

  std::string resetWhat;
  bool yes = false;
  Command* reset = add("reset", "Reset a group of settings");
  reset->app->add_option("group", resetWhat, "power, color, osd or factory")
      ->required()
      ->check(CLI::IsMember({"power", "color", "osd", "factory"}));
  reset->app->add_flag("--yes,-y", yes, "Do not ask before a factory reset");
  reset->run = [&] { return runReset(options, resetWhat, yes); };

  CLI::App* reg = app.add_subcommand("register", "Scaler registers at I2C address 0x4A");
  reg->require_subcommand(1);
  std::string regText, countText = "1", maskText, valueText;
  std::vector<std::string> byteTexts;
  int tries = 50;
  CLI::App* regRead = reg->add_subcommand("read", "Read COUNT bytes from register REG");
  regRead->add_option("reg", regText, "Register (0 to 0xFF)")->required();
  regRead->add_option("count", countText, "Number of bytes (1 to 254, default 1)");
  commands.push_back({regRead, [&] {
                        return runRegisterRead(options, number("register", regText, 0xFF),
                                               number("count", countText, 254));
                      }});
  CLI::App* regWrite = reg->add_subcommand("write", "Write bytes from register REG on");
  regWrite->add_option("reg", regText, "Register (0 to 0xFF)")->required();
  regWrite->add_option("bytes", byteTexts, "Bytes to write (1 to 1023)")->required();
  commands.push_back({regWrite, [&] {
                        std::vector<unsigned> bytes;
                        for (const std::string& b : byteTexts) bytes.push_back(number("byte", b, 0xFF));
                        if (bytes.size() > 1023) {
                          throw ToolError(kOutOfRange, "register write: at most 1023 bytes");
                        }
                        return runRegisterWrite(options, number("register", regText, 0xFF), bytes);
                      }});
  CLI::App* regWait = reg->add_subcommand("wait", "Poll REG until (REG & MASK) == (VALUE & MASK)");
  regWait->add_option("reg", regText, "Register (0 to 0xFF)")->required();
  regWait->add_option("mask", maskText, "Bits to compare")->required();
  regWait->add_option("value", valueText, "Expected bits")->required();
  regWait->add_option("--tries", tries, "Reads before giving up (default 50)")->check(CLI::Range(1, 100000));
  commands.push_back({regWait, [&] {
                        return runRegisterWait(options, number("register", regText, 0xFF),
                                               number("mask", maskText, 0xFF),
                                               number("value", valueText, 0xFF), tries);
                      }});

  add("isp", "Switch the scaler into ISP mode and write its defaults")->run = [&] { return runIsp(options); };
  Command* simReset = add("sim-reset", "Put the simulated monitor back to its factory state");
  simReset->run = [&] { return runSimReset(options); };

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    std::string unknown = unknownCommand(app, argc, argv);
    printError((unknown.empty() ? std::string(e.what()) : unknown) + " (see vemoctl --help)");
    return kUsage;
  }

  if (options.simulate || simReset->app->parsed()) enterSimulator(argv);
  if (!options.logLevel.empty()) SetDebugLevel(kLogLevels.at(options.logLevel));
  for (const Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return kUsage;
}

}  // namespace
}  // namespace vemoctl

int main(int argc, char** argv) {
  try {
    return vemoctl::run(argc, argv);
  } catch (const vemoctl::ToolError& e) {
    vemoctl::printError(e.what());
    return e.code();
  }
}
