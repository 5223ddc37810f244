/* An application built against the installed SDK with pkg-config. */
#include <VemoMonitorSdk.h>
#include <stdio.h>

int main(void) {
  unsigned short version = 0;
  int result = GetVersionSDK(&version);
  if (result != STATUS_OK || version != 0x0101) {
    fprintf(stderr, "GetVersionSDK gave %d, version 0x%04X\n", result, version);
    return 1;
  }
  /* Brightness goes from 0 to 100: refused before anything is sent. */
  result = SetBrightness(101);
  if (result != STATUS_OUT_OF_RANGE) {
    fprintf(stderr, "SetBrightness(101) gave %d\n", result);
    return 1;
  }
  printf("C client: SDK version 0x%04X, out-of-range setter refused\n", version);
  return 0;
}
