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

}  // namespace
}  // namespace vemo::usb
