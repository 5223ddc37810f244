// The end-to-end tests share one machine per process, set up before the
// first test and taken down after the last.
#include "tests/usb/e2e_fixture.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new vemo::usb::UsbMachine);
  return RUN_ALL_TESTS();
}
