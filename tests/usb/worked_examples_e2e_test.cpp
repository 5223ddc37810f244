// One setter and one getter of every family of settings, checked as the 64-byte
// reports that cross the bridge's interrupt endpoints: the command frame in
// an I2C write report, the bridge's status, the read request, and the
// monitor's reply in the bridge's read report.
#include <functional>

#include "tests/usb/e2e_fixture.h"

namespace vemo::usb {
namespace {

struct WorkedExample {
  const char* name;
  std::function<int()> call;
  const char* frame;  // the command frame the monitor receives
  const char* reply;  // the monitor's reply frame
  std::function<bool()> valueArrived = [] { return true; };
};

// The four reports of one exchange answered on the first poll.
std::vector<std::string> exchange(const std::string& frame, const std::string& reply) {
  Bytes f = bytesOf(frame);
  Bytes r = bytesOf(reply);
  Bytes write = {0x05, 0x01, 0x37, 0x00, static_cast<std::uint8_t>(f.size())};
  write.insert(write.end(), f.begin(), f.end());
  Bytes answer = {0x06, 0x00};
  answer.insert(answer.end(), r.begin(), r.end());
  std::vector<std::string> lines;
  for (const Bytes& bytes :
       {write, Bytes{0x05, 0x00}, Bytes{0x06, 0x01, 0x37, static_cast<std::uint8_t>(r.size())}, answer}) {
    Bytes padded = bytes;
    padded.resize(kPacketSize, 0);
    lines.push_back(packetLine({lines.size() % 2 == 0, padded}));
  }
  return lines;
}

using WorkedExamplesTest = UsbE2eTest;

TEST_F(WorkedExamplesTest, EachFamilyTravelsByteForByteOverTheInterruptEndpoints) {
  connect();
  bridgeDevice().withModel([&] { model_.monitor->setValue(0x04, {0x01, 0x2C}); });

  short hours = 0;
  unsigned char power = 0, brightness = 0, timer = 0;
  uint32_t preset = 0, input = 0;
  const WorkedExample examples[] = {
      {"SetAssetTag", [] { return SetAssetTag("ABCDEFGHIJ"); },
       "51 8C EA 00 41 42 43 44 45 46 47 48 49 4A 52", "6E 83 02 00 00 BF"},
      {"GetBacklightHours", [&] { return GetBacklightHours(&hours); }, "51 82 EB 04 52",
       "6E 85 02 00 04 01 2C 90", [&] { return hours == 300; }},
      {"SetPowerState", [] { return SetPowerState(1); }, "51 83 EA 20 01 77", "6E 83 02 00 20 9F"},
      {"GetPowerState", [&] { return GetPowerState(&power); }, "51 82 EB 20 76", "6E 84 02 00 20 01 99",
       [&] { return power == 1; }},
      {"SetBrightness", [] { return SetBrightness(50); }, "51 83 EA 30 32 54", "6E 83 02 00 30 8F"},
      {"GetBrightness", [&] { return GetBrightness(&brightness); }, "51 82 EB 30 66", "6E 84 02 00 30 32 BA",
       [&] { return brightness == 50; }},
      {"SetColorPreset", [] { return SetColorPreset(0x10); }, "51 86 EA 48 00 00 00 10 0B",
       "6E 83 02 00 48 F7"},
      {"GetColorPreset", [&] { return GetColorPreset(&preset); }, "51 82 EB 48 1E",
       "6E 87 02 00 48 00 00 00 10 E3", [&] { return preset == 0x10; }},
      {"SetVideoInput", [] { return SetVideoInput(0x10); }, "51 86 EA 62 00 00 00 10 21",
       "6E 83 02 00 62 DD"},
      {"GetVideoInput", [&] { return GetVideoInput(&input); }, "51 82 EB 62 34",
       "6E 87 02 00 62 00 00 00 10 C9", [&] { return input == 0x10; }},
      {"SetOSDTimer", [] { return SetOSDTimer(30); }, "51 83 EA 83 1E CB", "6E 83 02 00 83 3C"},
      {"GetOSDTimer", [&] { return GetOSDTimer(&timer); }, "51 82 EB 83 D5", "6E 84 02 00 83 1E 25",
       [&] { return timer == 30; }},
  };
  for (const WorkedExample& example : examples) {
    SCOPED_TRACE(example.name);
    bridgeDevice().clearRecord();
    auto start = Clock::now();
    EXPECT_EQ(example.call(), STATUS_OK);
    double seconds = secondsSince(start);
    EXPECT_EQ(bridgeTraffic(), exchange(example.frame, example.reply));
    EXPECT_TRUE(example.valueArrived());
    // One real 100 ms wait before the reply is polled.
    EXPECT_GE(seconds, 0.099);
    EXPECT_LT(seconds, 0.5);
  }
}

}  // namespace
}  // namespace vemo::usb
