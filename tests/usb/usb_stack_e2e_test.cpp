// The stack under the tests is the one users run, and it sleeps when idle.
#include <sys/resource.h>

#include <thread>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

using UsbStackTest = UsbE2eTest;

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST_F(UsbStackTest, HidapiAndSleepComeFromTheSystemLibraries) {
  std::string hidapi = realPath(VEMO_SYSTEM_HIDAPI);
  ASSERT_FALSE(hidapi.empty()) << "the system's libhidapi-libusb.so.0 is not installed";
  for (const char* symbol : {"hid_enumerate", "hid_open_path", "hid_write", "hid_read_timeout",
                             "hid_get_feature_report", "hid_get_serial_number_string"}) {
    EXPECT_EQ(objectDefining(symbol), hidapi) << symbol;
  }
  // No virtual clock either: the library's waits are real sleeps.
  EXPECT_TRUE(fileName(objectDefining("usleep")).rfind("libc.so", 0) == 0) << objectDefining("usleep");
  EXPECT_TRUE(endsWith(fileName(objectDefining("ConnectMonitor")), "libVemoMonitorSdk.so.1.1.0"))
      << objectDefining("ConnectMonitor");
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// hidapi's reader thread keeps an IN transfer posted and sits in libusb's
// poll(); the process must not burn CPU while the monitor has nothing to say.
TEST_F(UsbStackTest, AnOpenConnectionUsesNoCpuWhileIdle) {
  connect();
  double before = cpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  double idle = cpuSeconds() - before;
  RecordProperty("idle_cpu_ms", std::to_string(static_cast<int>(idle * 1000)));
  std::printf("CPU time over one idle second with a bridge open: %.1f ms\n", idle * 1000);
  EXPECT_LT(idle, 0.030);
  // The connection still works after the quiet second.
  unsigned char value = 0;
  EXPECT_EQ(GetBrightness(&value), STATUS_OK);
}

}  // namespace
}  // namespace vemo::usb
