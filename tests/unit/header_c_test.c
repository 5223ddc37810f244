/* A C program that includes the public header and calls through it. */
#include "VemoMonitorSdk.h"

#include <stdio.h>

int main(void) {
  unsigned short version = 0;
  unsigned char count = 0;
  if (GetVersionSDK(&version) != STATUS_OK || version != 0x0101) return 1;
  if (GetAvailableMonitors(&count) != STATUS_OK) return 1;
  if (SetBrightness(101) != STATUS_OUT_OF_RANGE) return 1;
  if (GetBrightness(&count) != STATUS_NOT_CONNECTED || count != 0) return 1;
  if (FeatureData[2] != 0xCA || SelectedDevice != NULL) return 1;
  puts("C client ok");
  return 0;
}
