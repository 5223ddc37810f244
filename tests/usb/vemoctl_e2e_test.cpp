// The command-line tool, run as its own process, through the same stack: its
// hidapi and libusb reach this test's device model over umockdev's socket.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

struct ToolRun {
  int exitCode;
  std::string output;
};

ToolRun runVemoctl(const std::string& arguments) {
  // The child inherits the testbed (UMOCKDEV_DIR) and the preload library.
  std::string asan = std::getenv("ASAN_OPTIONS") != nullptr ? std::getenv("ASAN_OPTIONS") : "";
  std::string command =
      "ASAN_OPTIONS='" + asan + ":verify_asan_link_order=0' " VEMOCTL_PATH " " + arguments + " 2>&1";
  ToolRun run{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) run.output += chunk;
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

using VemoctlTest = UsbE2eTest;

TEST_F(VemoctlTest, ListsSetsAndGetsThroughTheRealStack) {
  ToolRun list = runVemoctl("list");
  EXPECT_EQ(list.exitCode, 0) << list.output;
  EXPECT_EQ(list.output, "monitor 0: firmware 1.2, USB serial E2E-BRIDGE-1\n");

  bridgeDevice().clearRecord();
  ToolRun set = runVemoctl("set brightness 30");
  EXPECT_EQ(set.exitCode, 0) << set.output;
  EXPECT_EQ(set.output, "");
  std::vector<std::string> traffic = bridgeTraffic();
  ASSERT_GE(traffic.size(), 5u);
  // After the bus speed request, the command frame 51 83 EA 30 1E 78.
  EXPECT_EQ(traffic[0], outLine("02 01"));
  EXPECT_EQ(traffic[1], outLine("05 01 37 00 06 51 83 EA 30 1E 78"));
  bridgeDevice().withModel(
      [&] { EXPECT_EQ(model_.monitor->value(0x30), std::optional<sim::Bytes>(sim::Bytes{30})); });

  ToolRun get = runVemoctl("get brightness");
  EXPECT_EQ(get.exitCode, 0) << get.output;
  EXPECT_EQ(get.output, "30\n");
}

// The bridge's error code tells a failed transfer from a monitor that refused.
TEST_F(VemoctlTest, AFailedTransferIsReportedWithTheBridgesErrorCode) {
  // Request 0 sets the bus speed, request 1 carries the command frame.
  bridgeDevice().withModel([&] { model_.bridge->injectFault({sim::BridgeFault::Kind::Status, 3}, 1); });
  ToolRun set = runVemoctl("set brightness 30");
  EXPECT_EQ(set.exitCode, 1);
  EXPECT_EQ(set.output,
            "vemoctl: set brightness: the transfer through the bridge failed (bridge error code 41602)\n");
}

TEST_F(VemoctlTest, ABridgeHeldByAnotherProgramIsGivenAsTheReasonForNoMonitor) {
  connect();  // this process now holds the bridge
  ToolRun get = runVemoctl("get brightness");
  EXPECT_EQ(get.exitCode, 3);
  const std::string start = "vemoctl: no monitor found; a bridge (0451:CA01) is attached at ";
  const std::string end =
      " but could not be opened: it is in use by another program (a bridge serves one "
      "program at a time)\n";
  EXPECT_EQ(get.output.rfind(start, 0), 0u) << get.output;
  EXPECT_GT(get.output.size(), start.size() + end.size());
  EXPECT_EQ(get.output.substr(get.output.size() - std::min(end.size(), get.output.size())), end);
}

}  // namespace
}  // namespace vemo::usb
