// A long session against the device model: connect, a hundred calls of every
// family, disconnect, a thousand times. Nothing may be leaked (the program
// runs under LeakSanitizer or valgrind), every bridge handle must be closed
// again, and the resident size must stay where it was after the first cycles.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using Call = std::function<int()>;

constexpr int kCallsPerFamily = 100;
constexpr int kWarmUpCycles = 20;
// A leak of even one small allocation per cycle would pass this after 1000
// cycles; the allocator's own slack stays well below it.
constexpr long kAllowedGrowthKb = 256;

int cycles() {
  const char* value = std::getenv("VEMO_LEAK_CYCLES");
  return value != nullptr ? std::atoi(value) : 1000;
}

bool checkResidentSize() { return std::getenv("VEMO_LEAK_NO_RSS") == nullptr; }

long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Outputs {
  unsigned char byte = 0;
  uint32_t mask = 0;
  short hours = 0;
  unsigned char record[12] = {};
  unsigned char color[6] = {};
  unsigned short version = 0;
};

// Every family's calls, getters and setters alike; each must succeed
// against the well-behaved device model.
std::vector<std::vector<Call>> families(Outputs& o) {
  return {
      // identity
      {[&] { return GetAssetTag(o.record); }, [&] { return GetMonitorName(o.record); },
       [&] { return GetMonitorSerialNumber(o.record); }, [&] { return GetBacklightHours(&o.hours); },
       [&] { return GetVersionFirmware(o.record); }, [] { return SetAssetTag("LEAK-TEST\0"); },
       [&] { return GetVersionSDK(&o.version); }},
      // power and resets
      {[&] { return GetPowerState(&o.byte); }, [] { return SetPowerState(1); },
       [&] { return GetPowerLED(&o.byte); }, [] { return SetPowerLED(0); },
       [&] { return GetPowerUSB(&o.byte); }, [] { return SetPowerUSB(1); }, [] { return ResetPower(); }},
      // image
      {[&] { return GetBrightness(&o.byte); }, [] { return SetBrightness(40); },
       [&] { return GetContrast(&o.byte); }, [] { return SetContrast(60); },
       [&] { return GetSharpness(&o.byte); }, [] { return SetSharpness(30); },
       [&] { return GetHue(&o.byte); }, [] { return SetHue(55); }, [&] { return GetGammaMode(&o.byte); },
       [] { return SetLCDConditioning(1); }},
      // colour
      {[&] { return GetColorPreset(&o.mask); }, [] { return SetColorPreset(0x02); },
       [&] { return GetColorTempCaps(&o.mask); }, [] { return SetColorTemp(0x08); },
       [&] { return GetColorSpaceState(&o.mask); },
       [&] {
         return GetCustomColor(1, &o.color[0], &o.color[1], &o.color[2], &o.color[3], &o.color[4],
                               &o.color[5]);
       },
       [] { return SetCustomColor(2, 10, 20, 30, 40, 50, 60); }, [] { return ResetColor(); }},
      // input, PxP and MST
      {[&] { return GetVideoInput(&o.mask); }, [] { return SetVideoInput(0x04); },
       [&] { return GetPxPMode(&o.byte); }, [] { return SetPxPMode(2); },
       [&] { return GetPxPSubInput(&o.mask); }, [] { return SetPxPLocation(1); },
       [&] { return GetMST(&o.byte); }, [] { return SetAutoSelect(0); }},
      // on-screen display
      {[&] { return GetOSDLanguage(&o.byte); }, [] { return SetOSDLanguage(3); },
       [&] { return GetOSDTimer(&o.byte); }, [] { return SetOSDTimer(20); },
       [&] { return GetButtonSound(&o.byte); }, [] { return SetOSDTransparency(40); },
       [] { return ResetOSD(); }},
      // bridge and scaler (truth results: 1 is success)
      {[] { return GetFwVersion() == 0x0102 ? STATUS_OK : STATUS_COMM_FAILURE; },
       [] {
         unsigned char value = 0x06;
         return WriteI2C(0x4A, 0x62, &value, 1) ? STATUS_OK : STATUS_COMM_FAILURE;
       },
       [] {
         unsigned char value = 0;
         return ReadI2C(0x4A, 0x62, &value, 1) ? STATUS_OK : STATUS_COMM_FAILURE;
       },
       [] { return GetLastErrorCode() == 0 ? STATUS_OK : STATUS_COMM_FAILURE; }},
  };
}

using LeakTest = SdkTest;

TEST_F(LeakTest, ConnectionCyclesLeakNothingAndKeepMemoryFlat) {
  Outputs outputs;
  const std::vector<std::vector<Call>> calls = families(outputs);
  const int total = cycles();
  long startKb = 0;

  for (int cycle = 0; cycle < total; ++cycle) {
    if (cycle == kWarmUpCycles) startKb = residentKb();
    // A fresh device model every cycle: its records of the traffic would
    // otherwise grow and hide the library's own use of memory.
    bus().clear();
    sim::StandardBridge dev = addBridge();
    const sim::VirtualHidDevice& device = bus().devices().front();
    // Every tenth cycle logs everything, so that the log file is opened,
    // written and closed again as well.
    bool logging = cycle % 10 == 0;
    if (logging) {
      ASSERT_EQ(SetDebugLevel(VEMO_LOG_TRACE), STATUS_OK);
    }

    ASSERT_EQ(ConnectMonitor(0), STATUS_OK) << "cycle " << cycle;
    for (const std::vector<Call>& family : calls) {
      for (int i = 0; i < kCallsPerFamily; ++i) {
        ASSERT_EQ(family[i % family.size()](), STATUS_OK) << "cycle " << cycle << " call " << i;
      }
    }
    // A monitor that stops making sense and a bridge that answers late: the
    // failure paths must not leak either.
    dev.monitor->injectReplyFault({sim::MonitorFault::Kind::BadChecksum}, 10);
    ASSERT_EQ(GetBrightness(&outputs.byte), STATUS_COMM_FAILURE);
    dev.bridge->injectFault({sim::BridgeFault::Kind::LateReply});
    ASSERT_EQ(GetFwVersion(), 0);
    ASSERT_EQ(GetFwVersion(), 0x0102);  // the late reply is discarded, not taken for this one
    ASSERT_EQ(DisconnectMonitor(), STATUS_OK);

    ASSERT_EQ(device.openHandles, 0) << "a bridge handle stayed open after cycle " << cycle;
    if (logging) {
      ASSERT_EQ(SetDebugLevel(VEMO_LOG_OFF), STATUS_OK);
      _LOGStop();
      std::filesystem::remove("VemoMonitorSdk.log");
    }
    VirtualClock::reset();
  }

  long endKb = residentKb();
  std::printf("%d cycles: resident %ld kB after %d cycles, %ld kB at the end\n", total, startKb,
              kWarmUpCycles, endKb);
  if (checkResidentSize() && total > kWarmUpCycles) {
    EXPECT_LE(endKb - startKb, kAllowedGrowthKb) << "resident size grew";
  }
}

}  // namespace
}  // namespace vemo::test
