// The end-to-end tests share one machine per process, set up before the
// first test and taken down after the last.
#include "tests/usb/e2e_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEMO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEMO_UNDER_ASAN 1
#endif
#endif

#ifdef VEMO_UNDER_ASAN
// umockdev's preload library is loaded ahead of the sanitizer runtime.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
  return "verify_asan_link_order=0";
}
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new vemo::usb::UsbMachine);
  return RUN_ALL_TESTS();
}
