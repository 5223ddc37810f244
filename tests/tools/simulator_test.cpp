// The preloadable simulator as several programs see it at once: the state
// file they share, the exclusive claim of a bridge, and the monitor and
// scaler behaving as the hardware does. vemoctl is the usual client; for
// holding a bridge open this program runs itself under the simulator
// (--hold-monitor N).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "include/VemoMonitorSdk.h"
#include "sim/virtual_monitor.h"
#include "tests/tools/tool_run.h"

namespace vemo::tooltest {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

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

class SimulatorTest : public ::testing::Test {
 protected:
  std::string statePath() const { return scratch_.path("state.json"); }

  ToolResult sim(const Args& args, Env env = {}) {
    Args full = {"--simulate"};
    full.insert(full.end(), args.begin(), args.end());
    env.emplace("VEMO_SIM_STATE", statePath());
    env.emplace("VEMO_SIM_FAST", "1");
    return runProgram(scratch_.dir(), VEMOCTL_PATH, full, env, "");
  }

  Scratch scratch_;
};

TEST_F(SimulatorTest, ConcurrentSetsOfDifferentSettingsAllPersist) {
  // Twenty commands at once, each setting its own setting on the first free
  // one of eight monitors. One that finds every bridge in use fails with 3
  // (as on the hardware) and tries again.
  const std::pair<const char*, const char*> changes[] = {{"power-led", "0"},
                                                         {"power-usb", "1"},
                                                         {"brightness", "30"},
                                                         {"contrast", "31"},
                                                         {"dynamic-contrast", "1"},
                                                         {"sharpness", "70"},
                                                         {"response-time", "1"},
                                                         {"saturation", "32"},
                                                         {"hue", "33"},
                                                         {"gamma-mode", "1"},
                                                         {"color-preset", "0x00000002"},
                                                         {"color-temp", "0x00000008"},
                                                         {"color-space", "0x00000002"},
                                                         {"input-color-format", "1"},
                                                         {"auto-select", "0"},
                                                         {"pxp-mode", "2"},
                                                         {"pxp-location", "1"},
                                                         {"mst", "1"},
                                                         {"osd-timer", "60"},
                                                         {"button-sound", "0"}};
  std::string script =
      "set_one() { for try in $(seq 200); do \"$VEMOCTL\" --simulate set $1 $2; status=$?; "
      "[ $status -ne 3 ] && break; sleep 0.01; done; echo $status > status-$1; }\n";
  Args get = {"--monitor", "", "get"};
  for (const auto& [name, value] : changes) {
    script += std::string("set_one ") + name + " " + value + " &\n";
    get.push_back(name);
  }
  script += "wait\n";
  const Env eight = {{"VEMO_SIM_MONITORS", "8"}};
  Env env = {{"VEMOCTL", VEMOCTL_PATH}, {"VEMO_SIM_STATE", statePath()}, {"VEMO_SIM_FAST", "1"}};
  env.insert(eight.begin(), eight.end());
  runProgram(scratch_.dir(), "/bin/sh", {"-c", script}, env, "");

  std::string all;
  for (int monitor = 0; monitor < 8; ++monitor) {
    get[1] = std::to_string(monitor);
    all += sim(get, eight).out;
  }
  for (const auto& [name, value] : changes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(readFile(scratch_.path(std::string("status-") + name)), "0\n");
    std::string line = std::string("\n") + name + ": " + value + "\n";
    EXPECT_NE(("\n" + all).find(line), std::string::npos) << "the value is lost";
  }
}

TEST_F(SimulatorTest, AWriteThatCannotBeSavedFails) {
  struct Case {
    const char* name;
    std::string state;  // where VEMO_SIM_STATE points
    bool needsNonRoot;  // root writes into a read-only directory all the same
  };
  writeFile(scratch_.path("plain-file"), "");
  fs::create_directory(scratch_.path("read-only"));
  writeFile(scratch_.path("read-only/state.json"), "");
  ASSERT_EQ(
      sim({"set", "brightness", "20"}, {{"VEMO_SIM_STATE", scratch_.path("read-only/state.json")}}).exitCode,
      0);
  chmod(scratch_.path("read-only").c_str(), 0555);
  const Case cases[] = {
      {"directory is a file", scratch_.path("plain-file/state.json"), false},
      {"read-only directory", scratch_.path("read-only/state.json"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsNonRoot && geteuid() == 0) continue;
    ToolResult set = sim({"set", "brightness", "30"}, {{"VEMO_SIM_STATE", c.state}});
    EXPECT_EQ(set.exitCode, 1) << set.err;
    EXPECT_NE(set.err.find("vemo simulator: cannot "), std::string::npos) << set.err;
    ToolResult get = sim({"get", "brightness"}, {{"VEMO_SIM_STATE", c.state}});
    EXPECT_NE(get.out, "30\n") << "the lost value was read back";
  }
  chmod(scratch_.path("read-only").c_str(), 0755);
}

TEST_F(SimulatorTest, AnUnreadableStateFileIsReportedAndLeftAlone) {
  // A directory cannot be read as a file, even by root; mode 000 only stops
  // other users.
  fs::create_directory(statePath());
  const std::string directoryLine =
      "vemo simulator: cannot read the state file " + statePath() +
      " (Is a directory); it is left as it is and the simulated monitors do not answer\n";
  for (const Args& command : {Args{"get", "brightness"}, Args{"set", "brightness", "30"}}) {
    SCOPED_TRACE(command[0]);
    ToolResult r = sim(command);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), directoryLine);
    EXPECT_TRUE(fs::is_directory(statePath()));
  }
  fs::remove(statePath());

  if (geteuid() == 0) return;  // root reads a file of mode 000
  ASSERT_EQ(sim({"set", "brightness", "20"}).exitCode, 0);
  const std::string saved = readFile(statePath());
  chmod(statePath().c_str(), 0);
  ToolResult r = sim({"set", "brightness", "30"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("(Permission denied)"), std::string::npos) << r.err;
  chmod(statePath().c_str(), 0644);
  EXPECT_EQ(readFile(statePath()), saved);
}

// A write frame for `code` with a 32-bit value, and the status byte of the
// monitor's reply to it.
std::uint8_t writeChoice(sim::VirtualMonitor& monitor, std::uint8_t code, std::uint32_t choice) {
  std::vector<std::uint8_t> frame = {0x51, 0x86, 0xEA, code};
  for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(choice >> shift));
  std::uint8_t sum = 0x6E;
  for (std::uint8_t b : frame) sum ^= b;
  frame.push_back(sum);
  monitor.write(frame.data(), frame.size());
  std::uint8_t reply[8] = {};
  monitor.read(reply, sizeof reply);
  return reply[3];
}

TEST(SimulatedMonitorTest, RefusesAChoiceOutsideItsCapabilities) {
  struct Setting {
    const char* name;
    std::uint8_t code;
    std::uint8_t capabilities;
  };
  const Setting settings[] = {{"colour preset", 0x48, 0x47},
                              {"colour temperature", 0x43, 0x42},
                              {"colour space", 0x45, 0x44},
                              {"video input", 0x62, 0x61},
                              {"PxP sub input", 0x71, 0x61}};
  const std::pair<std::uint32_t, bool> choices[] = {
      {0x04, true}, {0x01, true}, {0x02, false}, {0x200, false}};
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.name);
    sim::VirtualMonitor monitor;
    monitor.enforceCapabilities(true);
    monitor.setValue(setting.capabilities, {0, 0, 0, 0x05});
    for (const auto& [choice, accepted] : choices) {
      SCOPED_TRACE(choice);
      sim::Bytes before = *monitor.value(setting.code);
      std::uint8_t status = writeChoice(monitor, setting.code, choice);
      EXPECT_EQ(status == 0, accepted);
      sim::Bytes expected = {0, 0, static_cast<std::uint8_t>(choice >> 8), static_cast<std::uint8_t>(choice)};
      EXPECT_EQ(*monitor.value(setting.code), accepted ? expected : before);
    }
  }
}

TEST_F(SimulatorTest, TheSimulatedMonitorRefusesAnInputItDoesNotHave) {
  // Its video inputs are bits 0 to 4: vemoctl reads that and sends nothing.
  ToolResult r = sim({"set", "video-input", "0x20"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(sim({"get", "video-input"}).out, "0x00000001\n");
}

TEST_F(SimulatorTest, EachMonitorHasItsOwnIdentity) {
  const char* const identities[] = {"serial-number: VM2612345678\nasset-tag: ASSET-0001\n",
                                    "serial-number: VM2612345679\nasset-tag: ASSET-0002\n",
                                    "serial-number: VM2612345680\nasset-tag: ASSET-0003\n"};
  for (int monitor = 0; monitor < 3; ++monitor) {
    ToolResult r = sim({"--monitor", std::to_string(monitor), "get", "serial-number", "asset-tag"},
                       {{"VEMO_SIM_MONITORS", "3"}});
    EXPECT_EQ(r.out, identities[monitor]);
  }
}

TEST_F(SimulatorTest, TestSwitchesRefuseOrIgnoreWritesAndReportMalformedCodes) {
  struct Case {
    Env env;
    int exitCode;
    const char* brightnessAfter;
    const char* simulatorError;
  };
  const Case cases[] = {
      {{{"VEMO_SIM_REFUSE", "0x30"}}, 1, "75\n", ""},
      {{{"VEMO_SIM_IGNORE", "48"}}, 0, "75\n", ""},
      {{{"VEMO_SIM_REFUSE", "0x31,0x300,br,0x30"}},
       1,
       "75\n",
       "vemo simulator: VEMO_SIM_REFUSE: '0x300' is not a command code (0 to 255, or 0x00 to 0xFF); ignored\n"
       "vemo simulator: VEMO_SIM_REFUSE: 'br' is not a command code (0 to 255, or 0x00 to 0xFF); ignored\n"},
      {{{"VEMO_SIM_IGNORE", "-1"}},
       0,
       "30\n",
       "vemo simulator: VEMO_SIM_IGNORE: '-1' is not a command code (0 to 255, or 0x00 to 0xFF); ignored\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env.begin()->second);
    fs::remove(statePath());
    ToolResult set = sim({"set", "brightness", "30"}, c.env);
    EXPECT_EQ(set.exitCode, c.exitCode);
    EXPECT_EQ(set.err.substr(0, std::string(c.simulatorError).size()), c.simulatorError);
    EXPECT_EQ(sim({"get", "brightness"}).out, c.brightnessAfter);
  }
}

TEST_F(SimulatorTest, ScalerRegistersAndItsIspModeOutliveTheProgramThatWroteThem) {
  // The vemoctl guide's register examples, each command a program of its own.
  struct Step {
    Args command;
    const char* out;
  };
  const Step steps[] = {
      {{"register", "write", "0x10", "0x01", "0x02"}, ""},
      {{"register", "read", "0x10", "2"}, "0x01 0x02\n"},
      {{"register", "write", "0x6F", "0x80"}, ""},
      {{"register", "wait", "0x6F", "0x80", "0x80", "--tries", "50"}, "0x6F & 0x80 = 0x80\n"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command[1]);
    ToolResult r = sim(step.command);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, step.out);
  }
  // Back to factory state the scaler is out of ISP mode.
  ASSERT_EQ(sim({"sim-reset"}).exitCode, 0);
  EXPECT_EQ(sim({"register", "wait", "0x6F", "0x80", "0x80", "--tries", "3"}).exitCode, 1);
}

// A process of its own that holds a bridge until told to let go.
class Holder {
 public:
  Holder(const std::string& self, int monitor, const Env& env) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      execl(self.c_str(), self.c_str(), "--hold-monitor", std::to_string(monitor).c_str(), nullptr);
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fdopen(fromChild[0], "r");
  }
  ~Holder() { stop(SIGTERM); }

  // Its first line: what it holds.
  std::string report() {
    char line[128] = "";
    if (output_ == nullptr || std::fgets(line, sizeof line, output_) == nullptr) return "";
    return line;
  }
  // Lets go in order (DisconnectMonitor), or dies with `signal`.
  void stop(int signal = 0) {
    if (pid_ <= 0) return;
    if (signal != 0) kill(pid_, signal);
    close(input_);
    if (output_ != nullptr) std::fclose(output_);
    output_ = nullptr;
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  FILE* output_ = nullptr;
};

std::string self() { return fs::read_symlink("/proc/self/exe").string(); }

TEST_F(SimulatorTest, ABridgeInUseIsSkippedByOtherProcessesUntilReleased) {
  const Env two = {{"VEMO_SIM_MONITORS", "2"}};
  Env holderEnv = {{"LD_PRELOAD", simulatorPreload()},
                   {"VEMO_SIM_STATE", statePath()},
                   {"VEMO_SIM_FAST", "1"},
                   {"VEMO_SIM_MONITORS", "2"}};
  const std::string both =
      "monitor 0: firmware 1.2, USB serial VEMOSIM00001\nmonitor 1: firmware 1.2, USB serial VEMOSIM00002\n";
  for (int signal : {0, SIGKILL}) {
    SCOPED_TRACE(signal == 0 ? "disconnected" : "killed");
    Holder holder(self(), 0, holderEnv);
    // Its own count no longer includes the bridge it holds either.
    ASSERT_EQ(holder.report(), "connected to monitor 0; 1 available\n");

    ToolResult list = sim({"list"}, two);
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "monitor 0: firmware 1.2, USB serial VEMOSIM00002\n");
    EXPECT_EQ(sim({"--monitor", "1", "get", "brightness"}, two).exitCode, 3);

    holder.stop(signal);
    EXPECT_EQ(sim({"list"}, two).out, both);
  }
}

// --hold-monitor N: connects to monitor N, says so, and keeps the connection
// until its standard input closes.
int holdMonitor(int monitor) {
  if (ConnectMonitor(static_cast<unsigned char>(monitor)) != STATUS_OK) {
    std::cout << "cannot connect to monitor " << monitor << std::endl;
    return 1;
  }
  unsigned char available = 0;
  GetAvailableMonitors(&available);
  std::cout << "connected to monitor " << monitor << "; " << int{available} << " available" << std::endl;
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  DisconnectMonitor();
  return 0;
}

}  // namespace
}  // namespace vemo::tooltest

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--hold-monitor") {
    return vemo::tooltest::holdMonitor(std::atoi(argv[2]));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
