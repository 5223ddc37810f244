// vemoctl doctor against simulated monitors, some of them held by other
// programs.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/tools/tool_run.h"

extern char** environ;

namespace vemo::tooltest {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;

class DoctorTest : public ::testing::Test {
 protected:
  Env env(int monitors) const {
    return {{"VEMO_SIM_STATE", scratch_.path("state.json")},
            {"VEMO_SIM_MONITORS", std::to_string(monitors)},
            {"VEMO_SIM_LIBRARY", VEMO_SIM_LIBRARY_PATH},
            // No service on a bus that does not exist.
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + scratch_.path("no-bus")}};
  }

  ToolResult doctor(int monitors) {
    Env e = env(monitors);
    e.emplace("VEMO_SIM_FAST", "1");
    return runProgram(scratch_.dir(), VEMOCTL_PATH, {"--simulate", "doctor"}, e, "");
  }

  // Runs `program` (a copy of vemoctl under that name) holding monitor
  // `index` of those still free, until the test ends.
  pid_t hold(const std::string& program, int index) {
    std::string copy = scratch_.path(program);
    fs::copy_file(VEMOCTL_PATH, copy, fs::copy_options::overwrite_existing);
    std::vector<std::string> args = {copy,       "--simulate", "--monitor", std::to_string(index),
                                     "register", "wait",       "0x6F",      "0x80",
                                     "0x80",     "--timeout",  "120"};
    std::vector<std::string> variables;
    for (char** v = environ; *v != nullptr; ++v) variables.emplace_back(*v);
    for (const auto& [name, value] : env(3)) variables.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& v : variables) envp.push_back(v.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, copy.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
    holders_.push_back(pid);
    return pid;
  }

  // Runs doctor until `text` shows (the holder has connected), at most 20 s.
  ToolResult doctorUntil(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ToolResult r;
    do {
      r = doctor(3);
      if (r.out.find(text) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } while (std::chrono::steady_clock::now() < deadline);
    return r;
  }

  void TearDown() override {
    for (pid_t pid : holders_) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }

  Scratch scratch_;
  std::vector<pid_t> holders_;
};

TEST_F(DoctorTest, NamesTheProgramsThatHoldBridges) {
  pid_t service = hold("vemod", 1);  // VEMOSIM00002
  ToolResult first = doctorUntil("VEMOSIM00002 is held");
  ASSERT_NE(
      first.out.find("bridge VEMOSIM00002 is held by vemod: vemod (pid " + std::to_string(service) + ")"),
      std::string::npos)
      << first.out;
  pid_t other = hold("vemoctl", 1);  // of the two left, VEMOSIM00003
  ToolResult r = doctorUntil("VEMOSIM00003 is held");
  EXPECT_NE(r.out.find("bridge VEMOSIM00003 is held by another program: vemoctl (pid " +
                       std::to_string(other) + ")"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("ok    bridge VEMOSIM00001 opens"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 monitor(s) usable"), std::string::npos) << r.out;
  EXPECT_EQ(r.exitCode, 0) << r.out;
}

TEST_F(DoctorTest, ExitsZeroOnlyWithAUsableMonitor) {
  const std::vector<std::tuple<int, int, std::string>> cases = {
      {3, 0, "3 monitor(s) usable"},
      {0, 3, "FAIL  no bridge (0451:CA01) attached"},
  };
  for (const auto& [monitors, exitCode, line] : cases) {
    ToolResult r = doctor(monitors);
    EXPECT_EQ(r.exitCode, exitCode) << r.out << r.err;
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ok    hidapi "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("simulator loaded"), std::string::npos) << r.out;
  }
}

// On a private session bus, with and without a program that owns the
// service's name.
TEST_F(DoctorTest, SaysWhetherTheServiceRuns) {
  const std::string owner =
      "/usr/bin/python3 -c 'import dbus, time; dbus.SessionBus().request_name(\"org.vemo.Monitors1\"); "
      "time.sleep(60)' &\ngdbus wait --session --timeout 20 org.vemo.Monitors1 || exit 7\n";
  const std::string doctor = "exec " + std::string(VEMOCTL_PATH) + " --simulate doctor\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {owner + doctor, "ok    the service vemod runs (org.vemo.Monitors1 on the session bus)"},
      {doctor, "note  the service vemod is not running (org.vemo.Monitors1 has no owner on the session bus)"},
  };
  Env e = env(1);
  e.erase("DBUS_SESSION_BUS_ADDRESS");
  for (const auto& [script, line] : cases) {
    ToolResult r =
        runProgram(scratch_.dir(), "/usr/bin/dbus-run-session", {"--", "/bin/bash", "-c", script}, e, "");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace vemo::tooltest
