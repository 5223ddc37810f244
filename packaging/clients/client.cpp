// An application built against the installed SDK with find_package. It also
// links the calls that have C++ linkage.
#include <VemoMonitorSdk.h>

#include <cstdio>

int main() {
  unsigned short version = 0;
  if (GetVersionSDK(&version) != STATUS_OK || version != 0x0101) {
    std::fprintf(stderr, "GetVersionSDK gave version 0x%04X\n", version);
    return 1;
  }
  if (SetColorPreset(0x3) != STATUS_OUT_OF_RANGE) {  // two choices at once
    std::fprintf(stderr, "SetColorPreset(0x3) was not refused\n");
    return 1;
  }
  // No bridge is selected, so the bridge calls fail without touching USB.
  if (GetFwVersion() != 0 || WaitForBitChange(0x4A, 0x6F, 0x80, 0x80, 1)) {
    std::fprintf(stderr, "bridge calls succeeded without a bridge\n");
    return 1;
  }
  std::printf("C++ client: SDK version 0x%04X, out-of-range setter refused\n", version);
  return 0;
}
