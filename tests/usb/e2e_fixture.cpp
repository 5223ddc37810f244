#include "tests/usb/e2e_fixture.h"

#include <dlfcn.h>
#include <hidapi.h>

#include <climits>
#include <cstdlib>

#include "tests/support/library_reset.h"

namespace vemo::usb {
namespace {

UsbMachine* machine = nullptr;

UsbIdentity identity(std::uint16_t vendor, std::uint16_t product, const std::string& serial, int port) {
  UsbIdentity id;
  id.vendorId = vendor;
  id.productId = product;
  id.serial = serial;
  id.port = port;
  id.deviceNumber = port + 1;
  return id;
}

}  // namespace

std::string realPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

std::string objectDefining(const char* symbol) {
  void* address = dlsym(RTLD_DEFAULT, symbol);
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "";
  return realPath(info.dli_fname);
}

UsbMachine& UsbMachine::instance() { return *machine; }

void UsbMachine::SetUp() {
  machine = this;
  // Nothing here is worth running unless the library talks to the real stack.
  std::string hidapi = objectDefining("hid_enumerate");
  if (hidapi.empty() || hidapi != realPath(VEMO_SYSTEM_HIDAPI)) {
    FAIL() << "hid_enumerate comes from '" << hidapi << "', not from " << VEMO_SYSTEM_HIDAPI;
  }
  // The testbed must exist before hidapi's first call starts libusb.
  testbed_ = std::make_unique<UsbTestbed>();
  UsbIdentity impostor = identity(0x0451, 0xCA01, "E2E-IMPOSTOR", 3);
  impostor.featureAnswer = {0x01, 0xCB};
  impostor_ = &testbed_->add(impostor, nullptr);
  bridge_ = &testbed_->add(identity(0x0451, 0xCA01, "E2E-BRIDGE-1", 2), sim::makeStandardBridge().bridge);
  UsbIdentity keyboard = identity(0x046D, 0xC31C, "KBD-0001", 1);
  keyboard.manufacturer = "Logi";
  keyboard.product = "Keyboard";
  keyboard.featureAnswer = {};
  keyboard_ = &testbed_->add(keyboard, nullptr);
}

void UsbMachine::TearDown() {
  hid_exit();  // stops libusb's threads before the devices go away
  testbed_.reset();
  machine = nullptr;
}

void UsbE2eTest::SetUp() {
  model_ = sim::makeStandardBridge();
  bridgeDevice().replug(model_.bridge);
  impostorDevice().replug(nullptr);
  keyboardDevice().replug(nullptr);
  test::resetLibrary();
}

void UsbE2eTest::TearDown() {
  test::resetLibrary();
  // Every interface the library claimed is released and handed back to the
  // kernel's driver, as hid_close does.
  for (UsbfsDevice* device : {&bridgeDevice(), &impostorDevice(), &keyboardDevice()}) {
    if (device->unplugged()) continue;
    EXPECT_FALSE(device->claimed()) << device->identity().serial << " still claimed";
    EXPECT_TRUE(device->driverBound()) << device->identity().serial << " left detached";
  }
}

void UsbE2eTest::connect() {
  ASSERT_EQ(ConnectMonitor(0), STATUS_OK);
  bridgeDevice().clearRecord();
  impostorDevice().clearRecord();
  keyboardDevice().clearRecord();
}

std::vector<std::string> UsbE2eTest::bridgeTraffic() {
  std::vector<std::string> lines;
  for (const InterruptPacket& packet : bridgeDevice().interruptTraffic()) {
    lines.push_back(packetLine(packet));
  }
  return lines;
}

Bytes report(const std::string& hexText) {
  Bytes out = bytesOf(hexText);
  out.resize(kPacketSize, 0);
  return out;
}

std::string packetLine(const InterruptPacket& packet) {
  Bytes bytes = packet.bytes;
  std::size_t zeros = 0;
  while (!bytes.empty() && bytes.back() == 0) {
    bytes.pop_back();
    ++zeros;
  }
  std::string line = (packet.toDevice ? "OUT " : "IN  ") + hex(bytes);
  if (zeros > 0) line += " +" + std::to_string(zeros) + "*00";
  return line;
}

std::string outLine(const std::string& hexText) { return packetLine({true, report(hexText)}); }
std::string inLine(const std::string& hexText) { return packetLine({false, report(hexText)}); }

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace vemo::usb
