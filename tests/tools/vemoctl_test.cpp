// vemoctl against the simulator: every command, its text and JSON output, the
// dump/restore round trip and the error paths with their exit codes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "tests/tools/tool_run.h"

namespace vemo::tooltest {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

class VemoctlTest : public ::testing::Test {
 protected:
  std::string statePath() const { return scratch_.path("state.json"); }

  // vemoctl --simulate ARGS with this test's own state file and no waits.
  ToolResult sim(const Args& args, const std::string& input = "", Env env = {}) {
    Args full = {"--simulate"};
    full.insert(full.end(), args.begin(), args.end());
    return run(full, input, std::move(env));
  }

  ToolResult run(const Args& args, const std::string& input = "", Env env = {}) {
    env.emplace("VEMO_SIM_STATE", statePath());
    env.emplace("VEMO_SIM_FAST", "1");
    return runProgram(scratch_.dir(), VEMOCTL_PATH, args, env, input);
  }

  // Runs and expects success with nothing on stderr.
  std::string ok(const Args& args, const std::string& input = "") {
    ToolResult r = sim(args, input);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }

  Scratch scratch_;
};

std::string golden(const std::string& name) { return std::string(GOLDEN_DIR) + "/" + name; }

// Outputs of a monitor in its factory state, checked in under golden/.
// VEMO_UPDATE_GOLDEN=1 rewrites them from the current output.
TEST_F(VemoctlTest, OutputsMatchTheCheckedInGoldenFiles) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"list"}, "list.txt"},
      {{"list", "--json"}, "list.json"},
      {{"info"}, "info.txt"},
      {{"info", "--json"}, "info.json"},
      {{"get", "brightness"}, "get-brightness.txt"},
      {{"get", "brightness", "color-preset", "asset-tag"}, "get-several.txt"},
      {{"get", "brightness", "color-preset", "asset-tag", "--json"}, "get-several.json"},
      {{"get", "custom-color"}, "get-custom-color.txt"},
      {{"get", "--all"}, "get-all.txt"},
      {{"dump", "--json"}, "dump.json"},
      {{"settings"}, "settings.txt"},
      {{"settings", "--json"}, "settings.json"},
  };
  const bool update = std::getenv("VEMO_UPDATE_GOLDEN") != nullptr;
  for (const auto& [args, file] : cases) {
    SCOPED_TRACE(file);
    std::string out = ok(args);
    if (update) {
      writeFile(golden(file), out);
    } else {
      EXPECT_EQ(out, readFile(golden(file)));
    }
  }
  // A profile holds the values alone; a listing adds the names of choices.
  EXPECT_EQ(ok({"dump"}), std::regex_replace(ok({"get", "--all"}), std::regex(" \\([a-z0-9-]+\\)\n"), "\n"));
  EXPECT_TRUE(nlohmann::json::accept(ok({"dump", "--json"})));
}

// Clients build their controls from this description: the keys of each kind
// are exact, and the settings come in the order every command lists them.
TEST_F(VemoctlTest, SettingsJsonDescribesEachKindWithExactlyItsKeys) {
  // Enumerations and settings limited by a capability say so; the others
  // leave the key out.
  const std::map<std::string, std::set<std::string>> keysOfKind = {
      {"byte", {"name", "kind", "writable", "min", "max", "step"}},
      {"enumeration", {"name", "kind", "writable", "min", "max", "step", "enumeration"}},
      {"mask", {"name", "kind", "writable", "choices"}},
      {"choice", {"name", "kind", "writable", "choices", "capabilities"}},
      {"text", {"name", "kind", "writable", "max_bytes"}},
      {"hours", {"name", "kind", "writable"}},
      {"custom-color", {"name", "kind", "writable", "types", "levels", "max_level", "checked_levels"}},
  };
  auto described = nlohmann::json::parse(ok({"settings", "--json"}));
  ASSERT_EQ(described.size(), 2u);
  EXPECT_EQ(described.at("reset_groups"), nlohmann::json({"power", "color", "osd", "factory"}));
  std::vector<std::string> names;
  for (const auto& setting : described.at("settings")) {
    SCOPED_TRACE(setting.dump());
    std::set<std::string> keys;
    for (const auto& item : setting.items()) keys.insert(item.key());
    std::string kind = setting.at("kind");
    if (setting.contains("enumeration")) kind = "enumeration";
    if (setting.contains("capabilities")) kind = "choice";
    EXPECT_EQ(keys, keysOfKind.at(kind));
    EXPECT_TRUE(setting.at("writable").is_boolean());
    names.push_back(setting.at("name"));
  }
  std::vector<std::string> dumped;
  const auto dump = nlohmann::ordered_json::parse(ok({"dump", "--json"}));
  for (const auto& item : dump.items()) dumped.push_back(item.key());
  EXPECT_EQ(names, dumped);
}

// An asset tag another program stored with a byte that is not UTF-8 and a
// control character: the text as stored everywhere (U+FFFD for the byte);
// only the text output writes the control character as \xNN.
TEST_F(VemoctlTest, AnAssetTagHasOneFormAndOnlyTextOutputEscapes) {
  ok({"set", "asset-tag", "ABC"});
  auto state = nlohmann::json::parse(readFile(statePath()));
  state["monitors"][0]["settings"]["0x00"] = {0x41, 0xFF, 0x07, 0x42, 0, 0, 0, 0, 0, 0};
  writeFile(statePath(), state.dump());
  EXPECT_EQ(ok({"get", "asset-tag"}), "A\xEF\xBF\xBD\\x07B\n");
  EXPECT_EQ(nlohmann::json::parse(ok({"get", "asset-tag", "--json"})).at("asset-tag"),
            "A\xEF\xBF\xBD\x07"
            "B");
}

TEST_F(VemoctlTest, SetThenGetInALaterRunShowsTheNewValue) {
  struct Case {
    const char* name;
    const char* value;
    const char* shown;
  };
  const Case cases[] = {
      {"brightness", "30", "30\n"},
      {"osd-timer", "60", "60\n"},
      {"sharpness", "100", "100\n"},
      {"color-preset", "0x10", "0x00000010\n"},
      {"pxp-sub-input", "16", "0x00000010\n"},
      {"asset-tag", "DESK-42", "DESK-42\n"},
      {"asset-tag", "TEN-CHARS!", "TEN-CHARS!\n"},
      {"asset-tag", "aéb\\x4\\", "aéb\\x4\\\n"},  // the text as it is: no escapes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.value);
    EXPECT_EQ(ok({"set", c.name, c.value}), "");
    EXPECT_EQ(ok({"get", c.name}), c.shown);
  }
  EXPECT_EQ(ok({"set", "custom-color", "2:10,20,30,40,50,60"}), "");
  EXPECT_EQ(ok({"get", "custom-color"}),
            "0:50,50,50,0,0,0\n1:50,50,50,0,0,0\n2:10,20,30,40,50,60\n3:50,50,50,0,0,0\n");
  EXPECT_TRUE(fs::exists(statePath()));
}

TEST_F(VemoctlTest, SimResetRestoresTheFactoryState) {
  ok({"set", "brightness", "30"});
  ok({"set", "custom-color", "3:1,2,3,4,5,6"});
  std::string out = ok({"sim-reset"});
  EXPECT_NE(out.find(statePath()), std::string::npos) << out;
  EXPECT_EQ(ok({"get", "brightness"}), "75\n");
  EXPECT_EQ(ok({"get", "custom-color"}), readFile(golden("get-custom-color.txt")));
}

class RoundTripTest : public VemoctlTest {
 protected:
  // Settings of every kind away from their defaults.
  void changeSeveralSettings() {
    ok({"set", "brightness", "30"});
    ok({"set", "color-preset", "0x80"});
    ok({"set", "osd-language", "7"});
    ok({"set", "asset-tag", "ROOM 12"});
    ok({"set", "custom-color", "1:100,0,100,200,201,202"});
  }
};

TEST_F(RoundTripTest, JsonDumpPipedIntoRestoreBringsBackEverySetting) {
  changeSeveralSettings();
  std::string before = ok({"dump", "--json"});
  ok({"sim-reset"});
  ASSERT_NE(ok({"dump", "--json"}), before);

  ToolResult restored = sim({"restore", "-"}, before);
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_NE(restored.out.find("brightness: 30 ok\n"), std::string::npos) << restored.out;
  EXPECT_NE(restored.out.find("custom-color: 1:100,0,100,200,201,202 ok\n"), std::string::npos);
  // Only the settings that differ from the factory state are written; the
  // asset tag is kept unless --only names it.
  EXPECT_NE(restored.out.find("contrast: 50 unchanged\n"), std::string::npos) << restored.out;
  EXPECT_NE(restored.out.find("asset-tag: ROOM 12 kept (--only asset-tag writes it)\n"), std::string::npos);
  EXPECT_NE(
      restored.out.find("4 written, 30 unchanged, 0 rejected, 0 failed, 8 read-only skipped, asset tag kept"),
      std::string::npos)
      << restored.out;
  EXPECT_EQ(ok({"get", "asset-tag"}), "ASSET-0001\n");
  EXPECT_EQ(sim({"restore", "--only", "asset-tag", "-"}, before).exitCode, 0);
  EXPECT_EQ(ok({"dump", "--json"}), before);
}

TEST_F(RoundTripTest, TextDumpFileRestoresTheSameSettings) {
  changeSeveralSettings();
  std::string before = ok({"dump"});
  writeFile(scratch_.path("profile.txt"), "# saved profile\n\n" + before);
  ok({"sim-reset"});
  ToolResult restored = sim({"restore", "profile.txt"});
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_EQ(sim({"restore", "--only", "asset-tag", "profile.txt"}).exitCode, 0);
  EXPECT_EQ(ok({"dump"}), before);
}

// On a terminal, restore shows "[n/total] setting" on stderr and wipes it
// before each result line; `script` gives it a terminal.
TEST_F(VemoctlTest, RestoreShowsItsProgressOnATerminalOnly) {
  writeFile(scratch_.path("p.json"), R"({"brightness": 30, "contrast": 40})");
  const std::string command = std::string(VEMOCTL_PATH) + " --simulate restore p.json";
  ToolResult onTerminal = runProgram(scratch_.dir(), "script", {"-qec", command, "/dev/null"},
                                     {{"VEMO_SIM_STATE", statePath()}, {"VEMO_SIM_FAST", "1"}}, "");
  ASSERT_EQ(onTerminal.exitCode, 0) << onTerminal.err;
  EXPECT_NE(onTerminal.out.find("\r\033[K[1/2] brightness\r\033[Kbrightness: 30 ok"), std::string::npos)
      << onTerminal.out;
  EXPECT_NE(onTerminal.out.find("\r\033[K[2/2] contrast\r\033[Kcontrast: 40 ok"), std::string::npos);

  ToolResult piped = sim({"restore", "p.json"});
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out.find('\r'), std::string::npos);
}

TEST_F(VemoctlTest, DumpAndGetAllShowTheirProgressOnATerminal) {
  for (const char* command : {"dump", "get --all"}) {
    SCOPED_TRACE(command);
    ToolResult onTerminal = runProgram(
        scratch_.dir(), "script", {"-qec", std::string(VEMOCTL_PATH) + " --simulate " + command, "/dev/null"},
        {{"VEMO_SIM_STATE", statePath()}, {"VEMO_SIM_FAST", "1"}}, "");
    ASSERT_EQ(onTerminal.exitCode, 0) << onTerminal.err;
    EXPECT_NE(onTerminal.out.find("\r\033[K[1/40] monitor-name\r\033[K[2/40] serial-number"),
              std::string::npos)
        << onTerminal.out;
    EXPECT_NE(onTerminal.out.find("[40/40] button-sound\r\033[Kmonitor-name: VEMO P27Q"), std::string::npos);
  }
}

TEST_F(VemoctlTest, RestoreReportsEachResultAndFailsWhenAnyWriteFails) {
  writeFile(scratch_.path("p.json"),
            R"({"brightness": 30, "osd-timer": 70, "contrast": 40, "monitor-name": "X"})");
  ToolResult rejected = sim({"restore", "p.json"});
  EXPECT_EQ(rejected.exitCode, 4);
  EXPECT_EQ(rejected.out,
            "brightness: 30 ok\n"
            "osd-timer: 70 out of range; accepted values: 5 to 60\n"
            "contrast: 40 ok\n"
            "2 written, 0 unchanged, 1 rejected, 0 failed, 1 read-only skipped\n");
  EXPECT_EQ(rejected.err,
            "vemoctl: restore: osd-timer: 70 out of range; accepted values: 5 to 60\n"
            "vemoctl: restore: 2 written, 0 unchanged, 1 rejected, 0 failed, 1 read-only skipped\n");
  EXPECT_EQ(ok({"get", "brightness", "osd-timer", "contrast"}),
            "brightness: 30\nosd-timer: 30\ncontrast: 40\n");

  ToolResult failed = sim({"restore", "p.json", "--json"}, "", {{"VEMO_SIM_REFUSE", "0x31"}});
  EXPECT_EQ(failed.exitCode, 1);
  auto json = nlohmann::json::parse(failed.out);
  EXPECT_EQ(json["results"][2]["setting"], "contrast");
  EXPECT_EQ(json["results"][2]["result"], "failed");
  EXPECT_EQ(json["written"], 0);  // brightness holds 30 already
  EXPECT_EQ(json["unchanged"], 1);
  EXPECT_EQ(json["rejected"], 1);
  EXPECT_EQ(json["failed"], 1);
  EXPECT_NE(
      failed.err.find("vemoctl: restore: contrast: 40 the monitor refused the value or did not answer\n"),
      std::string::npos)
      << failed.err;
  EXPECT_NE(failed.err.find(
                "vemoctl: restore: 0 written, 1 unchanged, 1 rejected, 1 failed, 1 read-only skipped\n"),
            std::string::npos);
}

TEST_F(VemoctlTest, AProfileWithNothingToWriteIsAUsageErrorAndSendsNothing) {
  fs::create_directory(scratch_.path("folder"));
  const std::pair<const char*, const char*> profiles[] = {
      {"", "holds no setting that can be written"},
      {"# only a comment\n\n", "holds no setting that can be written"},
      {"{}", "holds no setting that can be written"},
      {R"({"monitor-name": "X", "backlight-hours": 3})", "holds no setting that can be written"},
  };
  for (const auto& [profile, problem] : profiles) {
    SCOPED_TRACE(profile);
    writeFile(scratch_.path("p"), profile);
    ToolResult r = sim({"restore", "p"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, std::string("vemoctl: restore: p ") + problem + "; nothing sent\n");
  }
  ToolResult folder = sim({"restore", "folder"});
  EXPECT_EQ(folder.exitCode, 2);
  EXPECT_EQ(folder.err, "vemoctl: restore: folder is a directory\n");
  EXPECT_FALSE(fs::exists(statePath())) << "a write reached the monitor";
}

TEST_F(VemoctlTest, NumbersAreDecimalOrHexAndALeadingZeroKeepsThemDecimal) {
  const std::pair<Args, std::string> cases[] = {
      {{"brightness", "050"}, "50\n"},
      {{"osd-timer", "09"}, "9\n"},
      {{"brightness", "0x1E"}, "30\n"},
      {{"brightness", "0X1e"}, "30\n"},
      {{"color-preset", "0x004"}, "0x00000004\n"},
      {{"color-preset", "016"}, "0x00000010\n"},
  };
  for (const auto& [args, shown] : cases) {
    SCOPED_TRACE(args[1]);
    EXPECT_EQ(ok({"set", args[0], args[1]}), "");
    EXPECT_EQ(ok({"get", args[0]}), shown);
  }
  // Profiles follow the same rule, in text and in JSON.
  writeFile(scratch_.path("p.txt"), "brightness: 070\nosd-timer: 08\n");
  ok({"restore", "p.txt"});
  writeFile(scratch_.path("p.json"), R"({"contrast": "010", "hue": "0x0A"})");
  ok({"restore", "p.json"});
  EXPECT_EQ(ok({"get", "brightness", "osd-timer", "contrast", "hue"}),
            "brightness: 70\nosd-timer: 8\ncontrast: 10\nhue: 10\n");
}

TEST_F(VemoctlTest, OutputThatCannotBeWrittenFailsTheCommand) {
  for (const Args& args :
       {Args{"dump"}, Args{"dump", "--json"}, Args{"get", "--all"}, Args{"settings"}, Args{"--help"}}) {
    SCOPED_TRACE(args[0]);
    Args full = {"--simulate"};
    full.insert(full.end(), args.begin(), args.end());
    ToolResult r = runProgram(scratch_.dir(), VEMOCTL_PATH, full,
                              {{"VEMO_SIM_STATE", statePath()}, {"VEMO_SIM_FAST", "1"}}, "", "/dev/full");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "vemoctl: cannot write to standard output: No space left on device\n");
  }
}

// A backup that lacks a setting, or was cut short, must not look complete.
TEST_F(VemoctlTest, DumpPrintsAProfileOnlyWhenEverySettingWasRead) {
  ToolResult refused = sim({"dump"}, "", {{"VEMO_SIM_REFUSE", "0x31"}});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err,
            "vemoctl: dump contrast: the monitor refused the read or did not answer\n"
            "vemoctl: dump: 1 of 40 settings could not be read; no profile printed\n");

  // Ctrl-C half way through the reads (each takes 100 ms without the fast option).
  ToolResult interrupted =
      runProgram(scratch_.dir(), "timeout", {"-s", "INT", "1", VEMOCTL_PATH, "--simulate", "dump"},
                 {{"VEMO_SIM_STATE", statePath()}}, "");
  EXPECT_EQ(interrupted.exitCode, 124);
  EXPECT_EQ(interrupted.out, "");
}

// While one program holds the only bridge, another is told why it finds no monitor.
TEST_F(VemoctlTest, ABridgeHeldByAnotherProgramIsGivenAsTheReasonForNoMonitor) {
  const std::string tool = std::string(VEMOCTL_PATH) + " --simulate ";
  ToolResult r =
      runProgram(scratch_.dir(), "bash",
                 {"-c", tool + "register wait 0x10 0xFF 0x55 --timeout 3 >/dev/null 2>&1 & sleep 1; " + tool +
                            "--wait 0 get brightness; status=$?; kill $!; exit $status"},
                 {{"VEMO_SIM_STATE", statePath()}, {"VEMO_SIM_FAST", "1"}}, "");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(
      r.err,
      "vemoctl: no monitor found; a bridge (0451:CA01) is attached at sim:bridge-0 but could not be "
      "opened: it is in use by another program, or you may not open it (see the udev rule in the README, "
      "\"Access to the bridge without root\")\n");
}

TEST_F(VemoctlTest, FactoryResetAcceptsYOrYesInAnyCase) {
  for (const char* answer : {"y\n", "Y\n", "yes\n", "YES\n", "Yes \n"}) {
    SCOPED_TRACE(answer);
    ToolResult r = sim({"reset", "factory"}, answer);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "factory settings reset\n");
  }
  for (const char* answer : {"n\n", "\n", "ye\n", "yess\n", "no\n", ""}) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(sim({"reset", "factory"}, answer).exitCode, 5);
  }
}

TEST_F(VemoctlTest, MalformedProfilesAreRefusedBeforeAnythingIsSent) {
  struct Case {
    const char* profile;
    const char* error;
  };
  const Case cases[] = {
      {R"({"brightness": 30, "brightnes": 31})",
       "vemoctl: restore: unknown setting 'brightnes'; did you mean 'brightness'?\n"},
      {R"({"brightness": "thirty"})",
       "vemoctl: restore: key brightness: brightness: 'thirty' is not a number\n"},
      {R"({"brightness": [30]})", "vemoctl: restore: profile: brightness must be a number\n"},
      {R"({"brightness": 30)", "vemoctl: restore: the profile is not valid JSON (an object of settings)\n"},
      {"brightness: 30\nsharpness 40\n", "vemoctl: restore: line 2: expected NAME: VALUE\n"},
      {"custom-color: 1:2:3\n",
       "vemoctl: restore: line 1: custom-color: '1:2:3' is not TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    writeFile(scratch_.path("bad"), c.profile);
    ToolResult r = sim({"restore", "bad"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, c.error);
    EXPECT_FALSE(fs::exists(statePath())) << "a write reached the monitor";
  }
  ToolResult missing = sim({"restore", "no-such-file"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(missing.err, "vemoctl: restore: cannot read no-such-file\n");
}

struct ErrorCase {
  Args args;
  Env env;
  int exitCode;
  std::string error;  // the whole of stderr
};

TEST_F(VemoctlTest, BadInputGetsOneLineAndItsExitCodeWithNothingSent) {
  const std::string bytesAccepted = "0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100";
  const std::string textAccepted =
      "accepted values: a text of at most 10 bytes (a character outside ASCII takes 2 to 4)";
  const std::vector<ErrorCase> cases = {
      {{"set", "brightness", "101"}, {}, 4, "brightness: 101 is out of range; accepted values: 0 to 100"},
      {{"set", "brightness", "300"}, {}, 4, "brightness: 300 is out of range; accepted values: 0 to 100"},
      {{"set", "sharpness", "15"}, {}, 4, "sharpness: 15 is out of range; accepted values: " + bytesAccepted},
      {{"set", "osd-timer", "4"}, {}, 4, "osd-timer: 4 is out of range; accepted values: 5 to 60"},
      {{"set", "color-preset", "0x03"},
       {},
       4,
       "color-preset: 0x03 is out of range; accepted values: one of 0x01, 0x02, 0x04, 0x08, "
       "0x10, 0x20, 0x40, 0x80"},
      {{"set", "color-temp", "0x40"},
       {},
       4,
       "color-temp: 0x40 is out of range; accepted values: one of 0x01, 0x02, 0x04, 0x08, 0x10, "
       "0x20"},
      {{"set", "custom-color", "2:50,50,50,101,0,0"},
       {},
       4,
       "custom-color: cyan 101 is out of range; accepted values: "
       "TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW with type 0 to 3, red, green and blue 0 to 100, "
       "and cyan, magenta and yellow 0 to 100 for types 2 and 3 (0 to 255 for the others)"},
      {{"set", "video-input", "0x20"},
       {},
       4,
       "set video-input: 0x20 is not offered by this monitor; accepted values: 0x01 (hdmi-1), 0x02 (hdmi-2), "
       "0x04 (displayport-1), 0x08 (displayport-2), 0x10 (usb-c)"},
      {{"set", "brightness", std::string(100, 'z')},
       {},
       2,
       "brightness: '" + std::string(64, 'z') + "...' is not a number"},
      {{"set", "asset-tag", "ELEVEN-CHAR"},
       {},
       4,
       "asset-tag: 'ELEVEN-CHAR' takes 11 bytes; " + textAccepted},
      {{"set", "asset-tag", "Ünïcødé"}, {}, 4, "asset-tag: 'Ünïcødé' takes 11 bytes; " + textAccepted},
      {{"set", "brightnes", "30"}, {}, 2, "unknown setting 'brightnes'; did you mean 'brightness'?"},
      {{"get", "colour-preset"}, {}, 2, "unknown setting 'colour-preset'; did you mean 'color-preset'?"},
      {{"get", "xyzzy"}, {}, 2, "unknown setting 'xyzzy'; 'vemoctl get --help' lists the settings"},
      {{"set", "brightness", "bright"}, {}, 2, "brightness: 'bright' is not a number"},
      {{"set", "brightness", "+x"}, {}, 2, "brightness: '+x' is not a number"},
      {{"set", "brightness", "0x"}, {}, 2, "brightness: '0x' is not a number"},
      {{"set", "brightness", "1e2"}, {}, 2, "brightness: '1e2' is not a number"},
      {{"set", "brightness", "0x1G"}, {}, 2, "brightness: '0x1G' is not a number"},
      {{"set", "monitor-name", "X"}, {}, 2, "monitor-name is read-only"},
      {{"set", "asset-tag",
        "A\xFF"
        "B"},
       {},
       2,
       "asset-tag: 'A\xFF"
       "B' is not UTF-8 text"},
      {{"set", "asset-tag", "A\x1b[2J"},
       {},
       2,
       "asset-tag: 'A\\x1B[2J' holds a control character, which a label cannot show"},
      {{"set", "asset-tag",
        "A\x07"
        "B"},
       {},
       2,
       "asset-tag: 'A\\x07B' holds a control character, which a label cannot show"},
      {{"set", "custom-color", "1,2,3"},
       {},
       2,
       "custom-color: '1,2,3' is not TYPE:RED,GREEN,BLUE,CYAN,MAGENTA,YELLOW"},
      {{"get"}, {}, 2, "get: name the settings, or pass --all"},
      {{"get", "--all", "hue"}, {}, 2, "get: name the settings, or pass --all"},
      {{"set", "brightness"}, {}, 2, "value is required (see vemoctl --help)"},
      {{"frobnicate"}, {}, 2, "unknown command 'frobnicate' (see vemoctl --help)"},
      {{"--monitor", "0", "dupm"},
       {},
       2,
       "unknown command 'dupm'; did you mean 'dump'? (see vemoctl --help)"},
      {{"--log-level", "loud", "list"},
       {},
       2,
       "--log-level: loud not in {off,error,warn,debug,trace} (see vemoctl --help)"},
      {{"register", "read", "0x10", "255"}, {}, 4, "count: 255 is out of range; accepted values: 1 to 254"},
      {{"register", "read", "0x10", "0"}, {}, 4, "count: 0 is out of range; accepted values: 1 to 254"},
      {{"register", "read", "0x100"}, {}, 4, "register: 0x100 is out of range; accepted values: 0 to 255"},
      {{"--monitor", "1", "get", "brightness"}, {}, 3, "no monitor 1 (found 1, numbered from 0)"},
      {{"get", "brightness"}, {{"VEMO_SIM_MONITORS", "0"}}, 3, "no monitor found"},
      {{"list"}, {{"VEMO_SIM_MONITORS", "0"}}, 3, "no monitor found"},
      {{"reset", "factory"}, {}, 5, "factory reset not confirmed; nothing sent (--yes skips the question)"},
      {{"--monitor", "5", "sim-reset"},
       {},
       3,
       "sim-reset: no monitor 5 (found 1, numbered from 0); nothing reset"},
      {{"get", "brightness"},
       {{"VEMO_SIM_LIBRARY", "/nonexistent/libVemoMonitorSim.so"}},
       6,
       "VEMO_SIM_LIBRARY names /nonexistent/libVemoMonitorSim.so, which does not exist or is not a file"},
  };
  for (const ErrorCase& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    ToolResult r = sim(c.args, "", c.env);
    EXPECT_EQ(r.exitCode, c.exitCode);
    std::string err = r.err;
    if (c.exitCode == 5) err = err.substr(err.find('\n') + 1);  // after the question
    EXPECT_EQ(err, "vemoctl: " + c.error + "\n");
    EXPECT_FALSE(fs::exists(statePath())) << "a write reached the monitor";
  }
}

TEST_F(VemoctlTest, AFailedExchangeExitsWithOne) {
  const std::vector<ErrorCase> cases = {
      {{"get", "brightness"},
       {{"VEMO_SIM_REFUSE", "0x30"}},
       1,
       "get brightness: the monitor refused the read or did not answer"},
      {{"set", "brightness", "30"},
       {{"VEMO_SIM_REFUSE", "0x30"}},
       1,
       "set brightness: the monitor refused the value or did not answer"},
      {{"reset", "osd"},
       {{"VEMO_SIM_REFUSE", "0x8F"}},
       1,
       "reset osd: the monitor refused the reset or did not answer"},
      {{"info"},
       {{"VEMO_SIM_REFUSE", "0x04"}},
       1,
       "info: backlight-hours: the monitor refused the read or did not answer"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.args[0]);
    ToolResult r = sim(c.args, "", c.env);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err, "vemoctl: " + c.error + "\n");
  }
  // The other settings are still printed when one of several fails.
  ToolResult partial = sim({"get", "brightness", "contrast"}, "", {{"VEMO_SIM_REFUSE", "0x30"}});
  EXPECT_EQ(partial.exitCode, 1);
  EXPECT_EQ(partial.out, "contrast: 50\n");
}

TEST_F(VemoctlTest, MonitorOptionSelectsAmongSeveralMonitorsEachWithItsOwnState) {
  const Env three = {{"VEMO_SIM_MONITORS", "3"}};
  ToolResult list = sim({"list"}, "", three);
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "monitor 0: firmware 1.2, USB serial VEMOSIM00001\n"
            "monitor 1: firmware 1.2, USB serial VEMOSIM00002\n"
            "monitor 2: firmware 1.2, USB serial VEMOSIM00003\n");

  EXPECT_EQ(sim({"--monitor", "1", "set", "brightness", "40"}, "", three).exitCode, 0);
  EXPECT_EQ(sim({"set", "brightness", "20", "--monitor", "2"}, "", three).exitCode, 0);
  for (const auto& [monitor, shown] : {std::pair{"0", "75\n"}, {"1", "40\n"}, {"2", "20\n"}}) {
    SCOPED_TRACE(monitor);
    EXPECT_EQ(sim({"--monitor", monitor, "get", "brightness"}, "", three).out, shown);
  }
  ToolResult beyond = sim({"--monitor", "3", "get", "brightness"}, "", three);
  EXPECT_EQ(beyond.exitCode, 3);
  EXPECT_EQ(beyond.err, "vemoctl: no monitor 3 (found 3, numbered from 0)\n");

  // With fewer monitors attached, the others' state waits for a later run.
  EXPECT_EQ(ok({"set", "contrast", "10"}), "");
  EXPECT_EQ(sim({"--monitor", "2", "get", "brightness", "contrast"}, "", three).out,
            "brightness: 20\ncontrast: 50\n");
}

TEST_F(VemoctlTest, ResetsRestoreTheirOwnGroupOnly) {
  ok({"set", "power-led", "0"});
  ok({"set", "brightness", "30"});
  ok({"set", "saturation", "20"});
  ok({"set", "osd-timer", "60"});
  ok({"set", "asset-tag", "KEEP"});
  const Args all = {"get", "power-led", "brightness", "saturation", "osd-timer", "asset-tag"};

  EXPECT_EQ(ok({"reset", "osd"}), "osd settings reset\n");
  EXPECT_EQ(ok(all), "power-led: 0\nbrightness: 30\nsaturation: 20\nosd-timer: 30\nasset-tag: KEEP\n");
  ok({"reset", "color"});
  EXPECT_EQ(ok(all), "power-led: 0\nbrightness: 30\nsaturation: 50\nosd-timer: 30\nasset-tag: KEEP\n");
  ok({"reset", "power"});
  EXPECT_EQ(ok(all), "power-led: 1\nbrightness: 30\nsaturation: 50\nosd-timer: 30\nasset-tag: KEEP\n");

  ToolResult declined = sim({"reset", "factory"}, "n\n");
  EXPECT_EQ(declined.exitCode, 5);
  EXPECT_EQ(ok({"get", "brightness"}), "30\n");
  ToolResult confirmed = sim({"reset", "factory"}, "y\n");
  EXPECT_EQ(confirmed.exitCode, 0) << confirmed.err;
  EXPECT_EQ(ok({"get", "brightness"}), "75\n");
  ok({"set", "brightness", "30"});
  EXPECT_EQ(ok({"reset", "factory", "--yes"}), "factory settings reset\n");
  EXPECT_EQ(ok(all), "power-led: 1\nbrightness: 75\nsaturation: 50\nosd-timer: 30\nasset-tag: KEEP\n");
}

TEST_F(VemoctlTest, ScalerRegistersAreReadWrittenAndWaitedFor) {
  EXPECT_EQ(ok({"register", "write", "0x10", "1", "0x02", "3"}), "");
  EXPECT_EQ(ok({"register", "read", "0x10", "3"}), "0x01 0x02 0x03\n");
  EXPECT_EQ(ok({"register", "read", "0x11", "--json"}),
            "{\n  \"register\": \"0x11\",\n  \"bytes\": [\n    2\n  ]\n}\n");
  EXPECT_EQ(ok({"register", "wait", "0x10", "0x0F", "0x01"}), "0x10 & 0x0F = 0x01\n");
  ToolResult timeout = sim({"register", "wait", "0x10", "0xFF", "0x02", "--tries", "3"});
  EXPECT_EQ(timeout.exitCode, 1);
  EXPECT_EQ(timeout.err, "vemoctl: register wait: 0x10 & 0xFF did not become 0x02 within 3 reads\n");

  ToolResult isp = sim({"isp"});
  EXPECT_EQ(isp.exitCode, 0) << isp.err;
  EXPECT_NE(isp.out.find("Enable ISP succeeded"), std::string::npos) << isp.out;
  EXPECT_EQ(ok({"register", "read", "0x62"}), "0x06\n");
}

TEST_F(VemoctlTest, RegisterWaitPausesBetweenReadsAndGivesUpAtItsTimeout) {
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  ToolResult tries = runProgram(scratch_.dir(), VEMOCTL_PATH,
                                {"--simulate", "register", "wait", "0x10", "0xFF", "0x02", "--tries", "3"},
                                {{"VEMO_SIM_STATE", statePath()}}, "");
  EXPECT_EQ(tries.exitCode, 1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200)) << "two pauses of 100 ms";

  start = Clock::now();
  ToolResult timeout = sim({"register", "wait", "0x10", "0xFF", "0x02", "--timeout", "0.3"});
  auto elapsed = Clock::now() - start;
  EXPECT_EQ(timeout.exitCode, 1);
  EXPECT_EQ(timeout.err.rfind("vemoctl: register wait: 0x10 & 0xFF did not become 0x02 within 0.3 s, ", 0),
            0u)
      << timeout.err;
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(VemoctlTest, TheRealWaitOfTheLibraryIsKeptWithoutTheFastOption) {
  auto start = std::chrono::steady_clock::now();
  ToolResult r = runProgram(scratch_.dir(), VEMOCTL_PATH, {"--simulate", "get", "brightness"},
                            {{"VEMO_SIM_STATE", statePath()}}, "");
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "75\n");
  // One exchange waits at least 100 ms before it reads the reply.
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
}

TEST_F(VemoctlTest, LogLevelWritesTheLibraryLogInTheWorkingDirectory) {
  ok({"--log-level", "debug", "get", "brightness"});
  std::string log = readFile(scratch_.path("VemoMonitorSdk.log"));
  EXPECT_NE(log.find("ZQ_API:GetBrightness()-SUCCESS => 75"), std::string::npos) << log;
  EXPECT_EQ(log.find("TRACE"), std::string::npos);
}

// What LD_PRELOAD needs for the simulator; a sanitizer build also needs its
// runtime ahead of it.
std::string simulatorPreload() {
  std::string preload = VEMO_SIM_LIBRARY_PATH;
  Dl_info info{};
  void* init = dlsym(RTLD_DEFAULT, "__asan_init");
  if (init != nullptr && dladdr(init, &info) != 0 && info.dli_fname != nullptr) {
    preload = std::string(info.dli_fname) + ":" + preload;
  }
  return preload;
}

TEST_F(VemoctlTest, AnyProgramRunsAgainstThePreloadedSimulator) {
  ok({"set", "brightness", "42"});
  ToolResult r = runProgram(scratch_.dir(), VEMOCTL_PATH, {"get", "brightness"},
                            {{"VEMO_SIM_STATE", statePath()}, {"LD_PRELOAD", simulatorPreload()}}, "");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "42\n");
}

TEST_F(VemoctlTest, TheStateFileDefaultsToTheXdgStateDirectoryAndSurvivesCorruption) {
  Env env = {{"XDG_STATE_HOME", scratch_.path("xdg")}, {"VEMO_SIM_FAST", "1"}};
  auto runWith = [&](const Args& args) { return runProgram(scratch_.dir(), VEMOCTL_PATH, args, env, ""); };
  EXPECT_EQ(runWith({"--simulate", "set", "hue", "10"}).exitCode, 0);
  const std::string state = scratch_.path("xdg/vemo/simulator.json");
  ASSERT_TRUE(fs::exists(state));
  EXPECT_EQ(runWith({"--simulate", "get", "hue"}).out, "10\n");

  writeFile(state, "not json");
  ToolResult r = runWith({"--simulate", "get", "hue"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "50\n");
  EXPECT_EQ(r.err, "vemo simulator: ignoring state file " + state +
                       " (not a JSON object); starting from defaults\n");
}

TEST_F(VemoctlTest, HelpListsTheExitCodes) {
  ToolResult r = run({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* line : {"  0  success", "  1  an exchange", "  2  usage error", "  3  no monitor",
                           "  4  value out of range", "  5  factory reset", "  6  the simulator"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace vemo::tooltest
