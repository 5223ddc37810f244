// vemod through the real USB stack: a bridge plugged in while the service runs
// gets a monitor object within 2 s, and loses it within 2 s of being pulled
// out. The service and its workers run as processes of their own; their udev,
// hidapi and libusb reach this test's device model over umockdev's socket.
// Run on a session bus of its own (dbus-run-session).
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>
#include <sys/wait.h>
#include <umockdev.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "contract/bus.h"
#include "sim/virtual_hid_bus.h"
#include "tests/usb/usb_descriptors.h"
#include "tests/usb/usbfs_device.h"

namespace vemo::usb {
namespace {

using Clock = std::chrono::steady_clock;
using Paths = std::vector<sdbus::ObjectPath>;

constexpr auto kHotplugBound = std::chrono::seconds(2);

// Polls `done` until it holds or `bound` has passed; the time it took.
std::optional<Clock::duration> waitFor(const std::function<bool()>& done, Clock::duration bound) {
  Clock::time_point start = Clock::now();
  while (Clock::now() - start <= bound) {
    if (done()) return Clock::now() - start;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

class VemodHotplugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbed_ = umockdev_testbed_new();
    ASSERT_TRUE(umockdev_in_mock_environment()) << "run with LD_PRELOAD=libumockdev-preload.so.0";
    bus_ = sdbus::createSessionBusConnection();
    vemod_ = fork();
    if (vemod_ == 0) {
      execl(VEMOD_PATH, VEMOD_PATH, "--hold", "0", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(waitFor([this] { return monitors().has_value(); }, std::chrono::seconds(15)))
        << "vemod did not take its name on the bus";
  }

  void TearDown() override {
    if (vemod_ > 0) {
      kill(vemod_, SIGTERM);
      waitpid(vemod_, nullptr, 0);
    }
    device_.reset();
    if (testbed_ != nullptr) g_object_unref(testbed_);
  }

  // The Manager's Monitors; nothing while the service is not on the bus.
  std::optional<Paths> monitors() {
    try {
      auto proxy = sdbus::createProxy(*bus_, bus::kBusName, bus::kManagerPath);
      return proxy->getProperty("Monitors").onInterface(bus::kManagerInterface).get<Paths>();
    } catch (const sdbus::Error&) {
      return std::nullopt;
    }
  }

  std::size_t monitorCount() { return monitors().value_or(Paths{}).size(); }

  void plug() {
    identity_.serial = "HOTPLUG-1";
    device_ = std::make_unique<UsbfsDevice>(testbed_, identity_, sim::makeStandardBridge().bridge);
    umockdev_testbed_uevent(testbed_, sysfsPath(identity_).c_str(), "add");
  }

  void unplug() {
    device_->unplug();
    umockdev_testbed_uevent(testbed_, sysfsPath(identity_).c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, sysfsPath(identity_).c_str());
  }

  UMockdevTestbed* testbed_ = nullptr;
  std::unique_ptr<sdbus::IConnection> bus_;
  pid_t vemod_ = -1;
  UsbIdentity identity_;
  std::unique_ptr<UsbfsDevice> device_;
};

TEST_F(VemodHotplugTest, ABridgePluggedInGetsAMonitorAndLosesItWhenPulledOut) {
  EXPECT_EQ(monitorCount(), 0u);

  plug();
  ASSERT_TRUE(waitFor([this] { return monitorCount() == 1; }, kHotplugBound))
      << "no monitor within 2 s of plugging";
  Paths paths = *monitors();
  auto monitor = sdbus::createProxy(*bus_, bus::kBusName, paths[0]);
  EXPECT_EQ(monitor->getProperty("UsbSerial").onInterface(bus::kMonitorInterface).get<std::string>(),
            "HOTPLUG-1");
  sdbus::Variant brightness;
  monitor->callMethod("Get")
      .onInterface(bus::kMonitorInterface)
      .withArguments(std::string("brightness"))
      .storeResultsTo(brightness);
  EXPECT_EQ(brightness.peekValueType(), "y");

  unplug();
  EXPECT_TRUE(waitFor([this] { return monitorCount() == 0; }, kHotplugBound))
      << "the monitor stayed 2 s after";
}

}  // namespace
}  // namespace vemo::usb
