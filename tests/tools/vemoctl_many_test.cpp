// vemoctl with three simulated monitors, each case run directly (--simulate)
// and through vemod --simulate on the test's private session bus (the test
// runs under dbus-run-session): choosing monitors, all of them at once,
// relative and several values, --verify and restore --dry-run.
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "contract/bus.h"
#include "tests/tools/tool_run.h"

extern char** environ;

namespace vemo::tooltest {
namespace {

using Env = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

enum class Route { Direct, Service };

// A background program, stopped when the test ends.
class Background {
 public:
  Background(const Args& args, const Env& extra) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) envText.emplace_back(*e);
    for (const auto& [name, value] : extra) envText.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  }
  ~Background() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

 private:
  pid_t pid_ = -1;
};

bool serviceOnBus() {
  try {
    auto connection = sdbus::createSessionBusConnection();
    auto bus = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bool owned = false;
    bus->callMethod("NameHasOwner")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string(vemo::bus::kBusName))
        .storeResultsTo(owned);
    return owned;
  } catch (const sdbus::Error&) {
    return false;
  }
}

class ManyMonitorsTest : public ::testing::TestWithParam<Route> {
 protected:
  // Three fast simulated monitors with this test's own state; through the
  // service, vemod starts with `env` (it releases a bridge after 1 s idle).
  void start(const Env& env = {}) {
    env_ = env;
    env_["VEMO_SIM_MONITORS"] = "3";
    env_["VEMO_SIM_FAST"] = "1";
    env_["VEMO_SIM_STATE"] = scratch_.path("state.json");
    if (GetParam() == Route::Direct) return;
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
      GTEST_SKIP() << "no session bus (dbus-run-session)";
    ASSERT_FALSE(serviceOnBus()) << "another vemod serves this bus";
    service_ = std::make_unique<Background>(Args{VEMOD_PATH, "--simulate", "--hold", "1"}, env_);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!serviceOnBus() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(serviceOnBus()) << "vemod did not take its name";
    for (int tries = 0; tries < 100 && run({"list"}).out.find("VEMOSIM00003") == std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  void TearDown() override {
    service_.reset();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (serviceOnBus() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // vemoctl ARGS, directly against the simulator or through the service.
  ToolResult run(const Args& args, const std::string& input = "") {
    Args full = args;
    if (GetParam() == Route::Direct) full.insert(full.begin(), "--simulate");
    return runProgram(scratch_.dir(), VEMOCTL_PATH, full, env_, input);
  }

  std::string ok(const Args& args) {
    ToolResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  Scratch scratch_;
  Env env_;
  std::unique_ptr<Background> service_;
};

TEST_P(ManyMonitorsTest, MonitorIsChosenByIndexIdUsbSerialSerialNumberOrAssetTag) {
  start();
  ok({"--monitor", "2", "set", "asset-tag", "DESK-42"});
  for (const std::string key : {"1", "VM2612345679", "VEMOSIM00002", "ASSET-0002"}) {
    EXPECT_EQ(ok({"--monitor", key, "get", "serial-number"}), "VM2612345679\n") << key;
  }
  EXPECT_EQ(ok({"--monitor", "DESK-42", "get", "serial-number"}), "VM2612345680\n");
  ToolResult unknown = run({"--monitor", "NOBODY", "get", "brightness"});
  EXPECT_EQ(unknown.exitCode, 3);
  EXPECT_NE(unknown.err.find("NOBODY"), std::string::npos) << unknown.err;
}

TEST_P(ManyMonitorsTest, AKeyMatchingTwoMonitorsIsRefusedNamingBoth) {
  start();
  ok({"--monitor", "0", "set", "asset-tag", "DESK"});
  ok({"--monitor", "1", "set", "asset-tag", "DESK"});
  ToolResult r = run({"--monitor", "DESK", "set", "brightness", "10"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("VM2612345678"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("VM2612345679"), std::string::npos) << r.err;
  EXPECT_EQ(ok({"--monitor", "0", "get", "brightness"}), "75\n");
}

// The simulator's model description names its choices: set takes a name,
// a listing shows it, a single get stays a number, and a choice the monitor
// does not offer is refused before anything is sent.
TEST_P(ManyMonitorsTest, ChoicesAreSetByNameAndListedWithTheirNames) {
  start();
  ok({"--monitor", "1", "set", "video-input", "hdmi-2", "osd-language", "german"});
  EXPECT_EQ(ok({"--monitor", "1", "get", "video-input"}), "0x00000002\n");
  std::string all = ok({"--monitor", "1", "get", "--all"});
  EXPECT_NE(all.find("video-input: 0x00000002 (hdmi-2)\n"), std::string::npos) << all;
  EXPECT_NE(all.find("osd-language: 1 (german)\n"), std::string::npos) << all;
  EXPECT_NE(ok({"--monitor", "1", "info"})
                .find("video-input-caps:  0x0000001F (hdmi-1, hdmi-2, displayport-1, "
                      "displayport-2, usb-c)\n"),
            std::string::npos);
  ToolResult refused = run({"--monitor", "1", "set", "video-input", "0x20"});
  EXPECT_EQ(refused.exitCode, 4);
  EXPECT_EQ(
      refused.err,
      "vemoctl: set video-input: 0x20 is not offered by this monitor; accepted values: 0x01 (hdmi-1), 0x02 "
      "(hdmi-2), 0x04 (displayport-1), 0x08 (displayport-2), 0x10 (usb-c)\n");
  EXPECT_EQ(ok({"--monitor", "1", "get", "video-input"}), "0x00000002\n");
  // JSON gives the name beside the value.
  writeFile(scratch_.path("input.json"), R"({"video-input": "0x00000010"})");
  auto changes =
      nlohmann::json::parse(ok({"--monitor", "1", "restore", "--dry-run", "--json", "input.json"}));
  EXPECT_EQ(changes.at("changes").at(0).at("choice"), "usb-c") << changes.dump();
}

// Through the service: doctor counts the monitors vemod serves as usable,
// and --log-level says that the service does the exchanges.
TEST_P(ManyMonitorsTest, DoctorAndLogLevelAgreeWithTheService) {
  if (GetParam() == Route::Direct) GTEST_SKIP() << "about the service";
  start();
  ToolResult doctor = runProgram(scratch_.dir(), VEMOCTL_PATH, {"doctor", "--json"}, env_, "");
  auto report = nlohmann::json::parse(doctor.out);
  EXPECT_EQ(report.at("usable"), 3) << doctor.out;
  EXPECT_NE(doctor.out.find("vemod serves 3 monitor(s): VM2612345678, VM2612345679, VM2612345680"),
            std::string::npos)
      << doctor.out;
  ToolResult logged = run({"--log-level", "debug", "get", "brightness"});
  EXPECT_EQ(logged.out, "75\n");
  EXPECT_NE(logged.err.find("--log-level: the service vemod does the exchanges with the monitors"),
            std::string::npos)
      << logged.err;
}

// The Id rule is one for every route: a serial number another monitor has
// taken passes to the bridge's USB serial.
TEST_P(ManyMonitorsTest, TwoMonitorsReportingOneSerialNumberGetIdsOfTheirOwn) {
  start({{"VEMO_SIM_SERIAL_NUMBERS", "VMTWIN,VMTWIN"}});
  auto listed = nlohmann::json::parse(ok({"list", "--identity", "--json"}));
  std::map<std::string, std::string> idOfBridge;
  for (const auto& monitor : listed.at("monitors")) idOfBridge[monitor.at("usb-serial")] = monitor.at("id");
  EXPECT_EQ(idOfBridge, (std::map<std::string, std::string>{{"VEMOSIM00001", "VMTWIN"},
                                                            {"VEMOSIM00002", "VEMOSIM00002"},
                                                            {"VEMOSIM00003", "VM2612345680"}}));
  EXPECT_EQ(ok({"--monitor", "VEMOSIM00002", "get", "asset-tag"}), "ASSET-0002\n");
}

TEST_P(ManyMonitorsTest, AllRunsOnEveryMonitorLabelledById) {
  start();
  EXPECT_EQ(ok({"--monitor", "all", "set", "brightness", "+5"}),
            "VM2612345678: 80\nVM2612345679: 80\nVM2612345680: 80\n");
  EXPECT_EQ(ok({"--monitor", "all", "get", "brightness", "asset-tag"}),
            "VM2612345678: brightness: 80\nVM2612345678: asset-tag: ASSET-0001\n"
            "VM2612345679: brightness: 80\nVM2612345679: asset-tag: ASSET-0002\n"
            "VM2612345680: brightness: 80\nVM2612345680: asset-tag: ASSET-0003\n");
  auto json = nlohmann::json::parse(ok({"--monitor", "all", "get", "brightness", "--json"}));
  EXPECT_EQ(json, nlohmann::json::parse(R"({"VM2612345678": {"brightness": 80},
      "VM2612345679": {"brightness": 80}, "VM2612345680": {"brightness": 80}})"));
}

TEST_P(ManyMonitorsTest, RelativeStepsStopAtTheRangeAndKeepToTheStep) {
  start();
  struct Case {
    const char* setting;
    const char* from;
    const char* step;
    const char* written;
  };
  const Case cases[] = {
      {"brightness", "95", "+10", "100"}, {"brightness", "5", "-10", "0"},   {"brightness", "40", "+7", "47"},
      {"sharpness", "50", "+10", "60"},   {"sharpness", "50", "+5", "60"},   {"sharpness", "50", "-5", "40"},
      {"sharpness", "50", "+3", "50"},    {"sharpness", "90", "+30", "100"}, {"osd-timer", "10", "-20", "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + " " + c.from + " " + c.step);
    ok({"set", c.setting, c.from});
    EXPECT_EQ(ok({"set", c.setting, c.step}), std::string(c.written) + "\n");
    EXPECT_EQ(ok({"get", c.setting}), std::string(c.written) + "\n");
  }
  ToolResult mask = run({"set", "color-preset", "+1"});
  EXPECT_EQ(mask.exitCode, 2) << mask.err;
}

TEST_P(ManyMonitorsTest, SeveralValuesAreAllCheckedBeforeAnyIsSent) {
  start();
  EXPECT_EQ(ok({"set", "brightness", "30", "contrast", "40", "sharpness", "+10"}), "sharpness: 60\n");
  EXPECT_EQ(ok({"get", "brightness", "contrast"}), "brightness: 30\ncontrast: 40\n");
  ToolResult bad = run({"set", "brightness", "20", "contrast", "101"});
  EXPECT_EQ(bad.exitCode, 4) << bad.err;
  EXPECT_NE(bad.err.find("contrast: 101 is out of range"), std::string::npos) << bad.err;
  EXPECT_EQ(ok({"get", "brightness"}), "30\n");
}

TEST_P(ManyMonitorsTest, VerifyNamesAWriteTheMonitorDidNotKeep) {
  start({{"VEMO_SIM_IGNORE", "0x30"}});  // brightness writes are acknowledged, not stored
  ToolResult r = run({"set", "--verify", "brightness", "30", "contrast", "40"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("set brightness: sent 30 but read back 75"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("contrast"), std::string::npos) << r.err;
  EXPECT_EQ(run({"set", "--verify", "contrast", "45"}).exitCode, 0);
}

// Through the service the monitors run at once; one whose bridge another
// program holds fails alone, and its exit code is the command's.
TEST_P(ManyMonitorsTest, AllWithAFailingMonitorWritesTheOthersAndExitsWithItsCode) {
  if (GetParam() == Route::Direct) GTEST_SKIP() << "directly, a bridge another program holds is not counted";
  start();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // vemod lets the bridges go
  Env holding = env_;
  holding["VEMO_SIM_FAST"] = "0";  // a wait of about 10 s on monitor 2's register
  Background holder({VEMOCTL_PATH, "--simulate", "--monitor", "2", "register", "wait", "0x10", "0x01", "0x01",
                     "--tries", "100"},
                    holding);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ToolResult r = run({"--monitor", "all", "set", "brightness", "+10"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "VM2612345678: 85\nVM2612345679: 85\n");
  EXPECT_NE(r.err.find("vemoctl: VM2612345680: set brightness: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("in use by another program"), std::string::npos) << r.err;
}

// Directly, a bridge another program holds is waited for (--wait, default
// 5 s), whether the monitor is chosen by position (the library numbers only
// the bridges it can open: the last is missing) or by key; --wait 0 fails at
// once, as before, naming the bridge in use.
TEST_P(ManyMonitorsTest, ABridgeAnotherProgramHoldsIsWaitedFor) {
  if (GetParam() == Route::Service) GTEST_SKIP() << "through the service, vemod answers for its bridges";
  start();
  for (const char* monitor : {"2", "VEMOSIM00003"}) {
    SCOPED_TRACE(monitor);
    Env holding = env_;
    holding["VEMO_SIM_FAST"] = "0";  // about 3 s on monitor 2's register
    Background holder({VEMOCTL_PATH, "--simulate", "--monitor", "2", "register", "wait", "0x10", "0x01",
                       "0x01", "--tries", "30"},
                      holding);
    ToolResult busy;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
      busy = run({"--wait", "0", "--monitor", monitor, "get", "brightness"});
    } while (busy.exitCode == 0 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(busy.exitCode, 3) << busy.err;
    EXPECT_NE(busy.err.find("in use by another program"), std::string::npos) << busy.err;
    ToolResult waited = run({"--wait", "20", "--monitor", monitor, "get", "brightness"});
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_EQ(waited.out, "75\n");
  }
}

TEST_P(ManyMonitorsTest, RestoreDryRunPrintsExactlyTheChangesAndOnlyWritesWhatChanged) {
  start();
  writeFile(
      scratch_.path("p.json"),
      R"({"brightness": 75, "contrast": 40, "osd-timer": 30, "asset-tag": "DESK-7", "monitor-name": "X"})");
  // The asset tag is written only when --only names it.
  EXPECT_EQ(ok({"restore", "--dry-run", "p.json"}), "contrast: 50 -> 40\n");
  EXPECT_EQ(ok({"restore", "--dry-run", "--only", "asset-tag", "p.json"}),
            "asset-tag: ASSET-0001 -> DESK-7\n");
  auto changes = nlohmann::json::parse(ok({"restore", "--dry-run", "--json", "p.json"}));
  EXPECT_EQ(changes,
            nlohmann::json::parse(R"({"changes": [{"setting": "contrast", "from": 50, "to": 40}]})"));
  EXPECT_EQ(ok({"get", "contrast", "asset-tag"}), "contrast: 50\nasset-tag: ASSET-0001\n");
  EXPECT_EQ(
      ok({"restore", "--only", "contrast,brightness", "p.json"}),
      "brightness: 75 unchanged\ncontrast: 40 ok\n1 written, 1 unchanged, 0 rejected, 0 failed, 0 read-only "
      "skipped\n");
  EXPECT_EQ(ok({"get", "asset-tag"}), "ASSET-0001\n");
  EXPECT_EQ(ok({"restore", "--dry-run", "p.json"}), "");
  EXPECT_EQ(run({"restore", "--only", "sharpness", "p.json"}).exitCode, 2);
}

// A profile of every monitor, keyed by Id: each takes its own entry, and a
// monitor the file does not name is skipped with a note.
TEST_P(ManyMonitorsTest, AMultiMonitorDumpRestoresEachMonitorItsOwnValues) {
  start();
  ok({"--monitor", "0", "set", "brightness", "10"});
  ok({"--monitor", "1", "set", "brightness", "20", "video-input", "usb-c"});
  for (const char* form : {"--json", ""}) {
    SCOPED_TRACE(form);
    Args dump = {"--monitor", "all", "dump"};
    if (*form) dump.push_back(form);
    std::string profile = ok(dump);
    std::string withoutThird = profile.substr(0, profile.find(*form ? "" : "VM2612345680:"));
    if (*form) {
      auto json = nlohmann::json::parse(profile);
      json.erase("VM2612345680");
      withoutThird = json.dump();
    }
    writeFile(scratch_.path("all.profile"), withoutThird);
    ok({"--monitor", "all", "set", "brightness", "50", "video-input", "hdmi-1"});
    ToolResult restored = run({"--monitor", "all", "restore", "all.profile"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_NE(restored.err.find("vemoctl: VM2612345680: restore: all.profile holds no profile for monitor "
                                "VM2612345680; skipped"),
              std::string::npos)
        << restored.err;
    EXPECT_EQ(ok({"--monitor", "all", "get", "brightness"}),
              "VM2612345678: 10\nVM2612345679: 20\nVM2612345680: 50\n");
    EXPECT_EQ(ok({"--monitor", "1", "get", "video-input"}), "0x00000010\n");
  }
}

// Copying one monitor's profile to another keeps the other's asset tag: two
// monitors never end up with one key.
TEST_P(ManyMonitorsTest, ACrossMonitorRestoreKeepsTheAssetTag) {
  start();
  writeFile(scratch_.path("first.json"), ok({"--monitor", "0", "dump", "--json"}));
  ToolResult r = run({"--monitor", "1", "restore", "first.json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ok({"--monitor", "1", "get", "asset-tag"}), "ASSET-0002\n");
}

// The same outputs from the service as from the library (factory state both).
TEST_P(ManyMonitorsTest, OutputIsTheSameDirectAndThroughTheService) {
  if (GetParam() == Route::Direct) GTEST_SKIP() << "compares the two routes once";
  start();
  Env direct = env_;
  direct["VEMO_SIM_STATE"] = scratch_.path("direct.json");
  for (const Args& args : {Args{"get", "--all"}, Args{"info", "--json"}, Args{"dump", "--json"},
                           Args{"--monitor", "VEMOSIM00002", "list", "--identity"}}) {
    SCOPED_TRACE(args.front() + " " + args[1]);
    Args simulated = args;
    simulated.insert(simulated.begin(), "--simulate");
    ToolResult there = runProgram(scratch_.dir(), VEMOCTL_PATH, simulated, direct, "");
    ToolResult here = run(args);
    EXPECT_EQ(here.exitCode, 0) << here.err;
    EXPECT_EQ(here.out, there.out);
    EXPECT_EQ(here.err, there.err);
  }
}

INSTANTIATE_TEST_SUITE_P(Routes, ManyMonitorsTest, ::testing::Values(Route::Direct, Route::Service),
                         [](const auto& info) { return info.param == Route::Direct ? "Direct" : "Service"; });

}  // namespace
}  // namespace vemo::tooltest
