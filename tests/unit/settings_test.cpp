// Every setting function against the virtual monitor: the accepted values of
// each setter over its whole input range, what reaches the wire, what the
// getters hand back, and their log lines.
#include <array>
#include <string>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using sim::MonitorFault;

std::string writeFrame(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> f;
  f.reserve(payload.size() + 5);
  f.push_back(0x51);
  f.push_back(static_cast<std::uint8_t>(0x80 | (payload.size() + 2)));
  f.push_back(0xEA);
  f.push_back(code);
  for (std::uint8_t b : payload) f.push_back(b);
  std::uint8_t sum = 0x6E;
  for (std::uint8_t b : f) sum ^= b;
  f.push_back(sum);
  return hex(f);
}

std::vector<std::uint8_t> be32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

class SettingsTest : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    connectStandard();
  }
  void clearRecords() {
    dev_.bridge->clearRecord();
    dev_.monitor->clearRecord();
  }
  std::string lastMessage() const { return logMessages().back(); }
};

// ---- One-byte settings ---------------------------------------------------

struct ByteSettingCase {
  const char* name;
  int (*get)(unsigned char*);
  int (*set)(unsigned char);
  std::uint8_t code;
  bool (*accepted)(int);
};

#define BYTE_SETTING(NAME, CODE, RULE)                            \
  ByteSettingCase {                                               \
#NAME, Get##NAME, Set##NAME, CODE, [](int v) { return RULE; } \
  }

const ByteSettingCase kByteSettings[] = {
    BYTE_SETTING(PowerState, 0x20, v == 1 || v == 2),
    BYTE_SETTING(PowerLED, 0x21, v <= 1),
    BYTE_SETTING(PowerUSB, 0x22, v <= 1),
    BYTE_SETTING(Brightness, 0x30, v <= 100),
    BYTE_SETTING(Contrast, 0x31, v <= 100),
    BYTE_SETTING(DynamicContrast, 0x32, v <= 1),
    BYTE_SETTING(AspectRatio, 0x33, v <= 3),
    BYTE_SETTING(Sharpness, 0x34, v <= 100 && v % 10 == 0),
    BYTE_SETTING(ResponseTime, 0x35, v <= 1),
    BYTE_SETTING(Saturation, 0x40, v <= 100),
    BYTE_SETTING(Hue, 0x41, v <= 100),
    BYTE_SETTING(InputColorFormat, 0x46, v <= 1),
    BYTE_SETTING(GammaMode, 0x4A, v <= 1),
    BYTE_SETTING(UniformityCompensation, 0x4B, v == 0 || v == 2),
    BYTE_SETTING(AutoSelect, 0x60, v <= 1),
    BYTE_SETTING(PxPMode, 0x70, v <= 4),
    BYTE_SETTING(PxPLocation, 0x72, v <= 3),
    BYTE_SETTING(OSDTransparency, 0x80, v <= 100 && v % 20 == 0),
    BYTE_SETTING(OSDLanguage, 0x81, v <= 7),
    BYTE_SETTING(OSDRotation, 0x82, v <= 2),
    BYTE_SETTING(OSDTimer, 0x83, v >= 5 && v <= 60),
    BYTE_SETTING(OSDButtonLock, 0x84, v <= 1),
    BYTE_SETTING(ButtonSound, 0x85, v <= 1),
    BYTE_SETTING(MST, 0xA2, v <= 1),
    BYTE_SETTING(LCDConditioning, 0xA4, v <= 1),
};

class ByteSettingTest : public SettingsTest, public ::testing::WithParamInterface<ByteSettingCase> {};

TEST_P(ByteSettingTest, SetterSendsExactlyTheAcceptedValuesOfTheWholeByteRange) {
  const ByteSettingCase& c = GetParam();
  SetDebugLevel(3);
  for (int v = 0; v <= 255; ++v) {
    clearRecords();
    int result = c.set(static_cast<unsigned char>(v));
    if (c.accepted(v)) {
      ASSERT_EQ(result, STATUS_OK) << c.name << " " << v;
      ASSERT_EQ(hostFrames(), (std::vector<std::string>{writeFrame(c.code, {std::uint8_t(v)})}));
      ASSERT_EQ(dev_.monitor->value(c.code), std::vector<std::uint8_t>{std::uint8_t(v)});
      ASSERT_EQ(lastMessage(),
                "DEBUG ZQ_API:Set" + std::string(c.name) + "(" + std::to_string(v) + ")-SUCCESS");
    } else {
      ASSERT_EQ(result, STATUS_OUT_OF_RANGE) << c.name << " " << v;
      ASSERT_TRUE(dev_.bridge->reports().empty()) << c.name << " " << v;
      ASSERT_EQ(lastMessage(), "ERROR ZQ_API:Set" + std::string(c.name) + "(" + std::to_string(v) +
                                   ")-FAILS, Parameters out of range");
    }
  }
}

TEST_P(ByteSettingTest, RangeTestComesBeforeTheConnectionTest) {
  const ByteSettingCase& c = GetParam();
  DisconnectMonitor();
  for (int v = 0; v <= 255; ++v) {
    int expected = c.accepted(v) ? STATUS_NOT_CONNECTED : STATUS_OUT_OF_RANGE;
    ASSERT_EQ(c.set(static_cast<unsigned char>(v)), expected) << c.name << " " << v;
  }
  EXPECT_TRUE(dev_.bridge->reports().empty());
}

TEST_P(ByteSettingTest, GetterHandsBackWhateverByteTheMonitorHolds) {
  const ByteSettingCase& c = GetParam();
  SetDebugLevel(3);
  dev_.monitor->setValue(c.code, {200});
  unsigned char value = 0;
  EXPECT_EQ(c.get(&value), STATUS_OK);
  EXPECT_EQ(value, 200);
  std::uint8_t sum = 0x6E ^ 0x51 ^ 0x82 ^ 0xEB ^ c.code;
  EXPECT_EQ(hostFrames(), (std::vector<std::string>{hex({0x51, 0x82, 0xEB, c.code, sum})}));
  EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:Get" + std::string(c.name) + "()-SUCCESS => 200");
}

TEST_P(ByteSettingTest, GetterStoresZeroAndReportsEveryFailure) {
  const ByteSettingCase& c = GetParam();
  SetDebugLevel(3);
  const std::string fails = "ERROR ZQ_API:Get" + std::string(c.name) + "()-FAILS => ";
  unsigned char value = 0xAA;

  // The monitor refuses: a well-formed reply with a non-zero status byte.
  dev_.monitor->refuse(c.code, 0x01);
  EXPECT_EQ(c.get(&value), STATUS_COMM_FAILURE);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(lastMessage(), fails + "-1");
  dev_.monitor->clearRefusals();

  value = 0xAA;
  dev_.monitor->injectReplyFault({MonitorFault::Kind::BadChecksum}, 10);
  EXPECT_EQ(c.get(&value), STATUS_COMM_FAILURE);
  EXPECT_EQ(value, 0);

  value = 0xAA;
  DisconnectMonitor();
  EXPECT_EQ(c.get(&value), STATUS_NOT_CONNECTED);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(lastMessage(), fails + "3");
}

TEST_P(ByteSettingTest, SetterReportsARefusedWrite) {
  const ByteSettingCase& c = GetParam();
  SetDebugLevel(3);
  int v = 0;
  while (!c.accepted(v)) ++v;
  dev_.monitor->refuse(c.code, 0x05);
  EXPECT_EQ(c.set(static_cast<unsigned char>(v)), STATUS_COMM_FAILURE);
  EXPECT_EQ(lastMessage(),
            "ERROR ZQ_API:Set" + std::string(c.name) + "(" + std::to_string(v) + ")-FAILS => -1");
}

INSTANTIATE_TEST_SUITE_P(All, ByteSettingTest, ::testing::ValuesIn(kByteSettings),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- 32-bit single-bit settings ------------------------------------------

struct MaskSettingCase {
  const char* name;
  int (*get)(uint32_t*);
  int (*set)(uint32_t);
  std::uint8_t code;
  int choices;  // the setter takes exactly one of bits 0 .. choices-1
};

const MaskSettingCase kMaskSettings[] = {
    {"ColorPreset", GetColorPreset, SetColorPreset, 0x48, 8},
    {"ColorSpaceState", GetColorSpaceState, SetColorSpaceState, 0x45, 6},
    {"ColorTemp", GetColorTemp, SetColorTemp, 0x43, 6},
    {"VideoInput", GetVideoInput, SetVideoInput, 0x62, 10},
    {"PxPSubInput", GetPxPSubInput, SetPxPSubInput, 0x71, 10},
};

class MaskSettingTest : public SettingsTest, public ::testing::WithParamInterface<MaskSettingCase> {};

TEST_P(MaskSettingTest, SetterTakesExactlyOneOfItsLowestBits) {
  const MaskSettingCase& c = GetParam();
  SetDebugLevel(3);
  std::vector<std::uint32_t> values = {0, 0x3, 0x300, 0x81, 0xFFFFFFFF, 0x80000001};
  for (int bit = 0; bit < 32; ++bit) values.push_back(std::uint32_t{1} << bit);
  char text[16];
  for (std::uint32_t v : values) {
    clearRecords();
    bool single = v != 0 && (v & (v - 1)) == 0;
    bool accepted = single && v < (std::uint32_t{1} << c.choices);
    std::snprintf(text, sizeof text, "0x%08X", v);
    int result = c.set(v);
    if (accepted) {
      ASSERT_EQ(result, STATUS_OK) << c.name << " " << text;
      ASSERT_EQ(hostFrames(), (std::vector<std::string>{writeFrame(c.code, be32(v))}));
      std::uint32_t back = 0;
      ASSERT_EQ(c.get(&back), STATUS_OK);
      ASSERT_EQ(back, v);
      ASSERT_EQ(lastMessage(), "DEBUG ZQ_API:Get" + std::string(c.name) + "()-SUCCESS => " + text);
    } else {
      ASSERT_EQ(result, STATUS_OUT_OF_RANGE) << c.name << " " << text;
      ASSERT_TRUE(dev_.bridge->reports().empty());
      ASSERT_EQ(lastMessage(),
                "ERROR ZQ_API:Set" + std::string(c.name) + "(" + text + ")-FAILS, Parameters out of range");
    }
  }
  DisconnectMonitor();
  EXPECT_EQ(c.set(0), STATUS_OUT_OF_RANGE);
  EXPECT_EQ(c.set(1), STATUS_NOT_CONNECTED);
}

INSTANTIATE_TEST_SUITE_P(All, MaskSettingTest, ::testing::ValuesIn(kMaskSettings),
                         [](const auto& info) { return std::string(info.param.name); });

struct MaskGetterCase {
  const char* name;
  int (*get)(uint32_t*);
  std::uint8_t code;
};

class MaskGetterTest : public SettingsTest, public ::testing::WithParamInterface<MaskGetterCase> {};

TEST_P(MaskGetterTest, FirstDataByteIsTheMostSignificantAndNothingIsMasked) {
  const MaskGetterCase& c = GetParam();
  SetDebugLevel(3);
  dev_.monitor->setValue(c.code, {0x12, 0x34, 0x56, 0x78});
  std::uint32_t value = 0;
  EXPECT_EQ(c.get(&value), STATUS_OK);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:Get" + std::string(c.name) + "()-SUCCESS => 0x12345678");
  dev_.monitor->refuse(c.code);
  value = 0xFFFFFFFF;
  EXPECT_EQ(c.get(&value), STATUS_COMM_FAILURE);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(lastMessage(), "ERROR ZQ_API:Get" + std::string(c.name) + "()-FAILS => -1");
}

INSTANTIATE_TEST_SUITE_P(All, MaskGetterTest,
                         ::testing::Values(MaskGetterCase{"ColorPreset", GetColorPreset, 0x48},
                                           MaskGetterCase{"ColorPresetCaps", GetColorPresetCaps, 0x47},
                                           MaskGetterCase{"ColorSpaceState", GetColorSpaceState, 0x45},
                                           MaskGetterCase{"ColorSpaceCaps", GetColorSpaceCaps, 0x44},
                                           MaskGetterCase{"ColorTemp", GetColorTemp, 0x43},
                                           MaskGetterCase{"ColorTempCaps", GetColorTempCaps, 0x42},
                                           MaskGetterCase{"VideoInput", GetVideoInput, 0x62},
                                           MaskGetterCase{"VideoInputCaps", GetVideoInputCaps, 0x61},
                                           MaskGetterCase{"PxPSubInput", GetPxPSubInput, 0x71}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Worked examples, one exchange each -----------------------------------

struct WorkedExample {
  const char* name;
  void (*prepare)(sim::VirtualMonitor&);
  int (*call)();
  std::string frame;
  std::string reply;
};

void nothing(sim::VirtualMonitor&) {}

const WorkedExample kWorkedExamples[] = {
    {"SetPowerState", nothing, [] { return SetPowerState(1); }, "51 83 EA 20 01 77", "6E 83 02 00 20 9F"},
    {"GetPowerState", [](sim::VirtualMonitor& m) { m.setValue(0x20, {1}); },
     [] {
       unsigned char v;
       return GetPowerState(&v) == 0 && v == 1 ? 0 : 1;
     },
     "51 82 EB 20 76", "6E 84 02 00 20 01 99"},
    {"ResetPower", nothing, ResetPower, "51 82 EA 2F 78", "6E 83 02 00 2F 90"},
    {"FactoryReset", nothing, FactoryReset, "51 82 EA AF F8", "6E 83 02 00 AF 10"},
    {"SetBrightness", nothing, [] { return SetBrightness(50); }, "51 83 EA 30 32 54", "6E 83 02 00 30 8F"},
    {"GetBrightness", [](sim::VirtualMonitor& m) { m.setValue(0x30, {50}); },
     [] {
       unsigned char v;
       return GetBrightness(&v) == 0 && v == 50 ? 0 : 1;
     },
     "51 82 EB 30 66", "6E 84 02 00 30 32 BA"},
    {"SetColorPreset", nothing, [] { return SetColorPreset(0x10); }, "51 86 EA 48 00 00 00 10 0B",
     "6E 83 02 00 48 F7"},
    {"GetColorPreset",
     [](sim::VirtualMonitor& m) {
       m.setValue(0x48, {0, 0, 0, 0x10});
     },
     [] {
       uint32_t v;
       return GetColorPreset(&v) == 0 && v == 0x10 ? 0 : 1;
     },
     "51 82 EB 48 1E", "6E 87 02 00 48 00 00 00 10 E3"},
    {"SetCustomColor", nothing, [] { return SetCustomColor(2, 50, 60, 70, 80, 90, 100); },
     "51 89 EA 49 02 32 3C 46 50 5A 64 31", "6E 83 02 00 49 F6"},
    {"GetCustomColor",
     [](sim::VirtualMonitor& m) {
       m.setCustomColor(2, {50, 60, 70, 80, 90, 100});
     },
     [] {
       unsigned char r, g, b, c, m, y;
       int result = GetCustomColor(2, &r, &g, &b, &c, &m, &y);
       return result == 0 && r == 50 && g == 60 && b == 70 && c == 80 && m == 90 && y == 100 ? 0 : 1;
     },
     "51 82 EB 49 02 1D", "6E 89 02 00 49 32 3C 46 50 5A 64 DA"},
    {"ResetColor", nothing, ResetColor, "51 82 EA 4F 18", "6E 83 02 00 4F F0"},
    {"SetVideoInput", nothing, [] { return SetVideoInput(0x10); }, "51 86 EA 62 00 00 00 10 21",
     "6E 83 02 00 62 DD"},
    {"GetVideoInput",
     [](sim::VirtualMonitor& m) {
       m.setValue(0x62, {0, 0, 0, 0x10});
     },
     [] {
       uint32_t v;
       return GetVideoInput(&v) == 0 && v == 0x10 ? 0 : 1;
     },
     "51 82 EB 62 34", "6E 87 02 00 62 00 00 00 10 C9"},
    {"SetOSDTimer", nothing, [] { return SetOSDTimer(30); }, "51 83 EA 83 1E CB", "6E 83 02 00 83 3C"},
    {"GetOSDTimer", [](sim::VirtualMonitor& m) { m.setValue(0x83, {30}); },
     [] {
       unsigned char v;
       return GetOSDTimer(&v) == 0 && v == 30 ? 0 : 1;
     },
     "51 82 EB 83 D5", "6E 84 02 00 83 1E 25"},
    {"SetOSDTransparency", nothing, [] { return SetOSDTransparency(60); }, "51 83 EA 80 3C EA",
     "6E 83 02 00 80 3F"},
    {"ResetOSD", nothing, ResetOSD, "51 82 EA 8F D8", "6E 83 02 00 8F 30"},
    {"GetBacklightHours",
     [](sim::VirtualMonitor& m) {
       m.setValue(0x04, {0x01, 0x2C});
     },
     [] {
       short v;
       return GetBacklightHours(&v) == 0 && v == 300 ? 0 : 1;
     },
     "51 82 EB 04 52", "6E 85 02 00 04 01 2C 90"},
    {"SetAssetTag", nothing, [] { return SetAssetTag("ABCDEFGHIJ"); },
     "51 8C EA 00 41 42 43 44 45 46 47 48 49 4A 52", "6E 83 02 00 00 BF"},
};

class WorkedExampleTest : public SettingsTest, public ::testing::WithParamInterface<WorkedExample> {};

TEST_P(WorkedExampleTest, SendsTheFrameAndAcceptsTheReply) {
  const WorkedExample& c = GetParam();
  c.prepare(*dev_.monitor);
  EXPECT_EQ(c.call(), 0);
  EXPECT_EQ(hostFrames(), std::vector<std::string>{c.frame});
  EXPECT_EQ(repliesRead(), std::vector<std::string>{c.reply});
}

INSTANTIATE_TEST_SUITE_P(All, WorkedExampleTest, ::testing::ValuesIn(kWorkedExamples),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Custom colour --------------------------------------------------------

struct CustomColorCase {
  std::array<unsigned char, 7> args;
  int result;
  const char* suffix;  // of the last log line
};

class CustomColorRuleTest : public SettingsTest, public ::testing::WithParamInterface<CustomColorCase> {};

TEST_P(CustomColorRuleTest, TypeAndRgbAreTestedFirstAndCmyOnlyForTypesTwoAndThree) {
  const CustomColorCase& c = GetParam();
  SetDebugLevel(3);
  const auto& a = c.args;
  EXPECT_EQ(SetCustomColor(a[0], a[1], a[2], a[3], a[4], a[5], a[6]), c.result);
  char prefix[96];
  std::snprintf(prefix, sizeof prefix, "ZQ_API:SetCustomColor(%d, %d, %d, %d, %d, %d, %d)", a[0], a[1], a[2],
                a[3], a[4], a[5], a[6]);
  EXPECT_EQ(lastMessage(), std::string(c.result == 0 ? "DEBUG " : "ERROR ") + prefix + c.suffix);
  if (c.result == STATUS_OK) {
    EXPECT_EQ(hostFrames(),
              (std::vector<std::string>{writeFrame(0x49, std::vector<std::uint8_t>(a.begin(), a.end()))}));
  } else {
    EXPECT_TRUE(dev_.bridge->reports().empty());
  }
}

constexpr const char* kTypeOrRgb = "-FAILS, Type or RGB Parameters out of range";
constexpr const char* kCmy = "-FAILS, CMY Parameters out of range";

INSTANTIATE_TEST_SUITE_P(
    Rules, CustomColorRuleTest,
    ::testing::Values(CustomColorCase{{1, 10, 20, 30, 200, 255, 101}, STATUS_OK, "-SUCCESS"},
                      CustomColorCase{{0, 100, 100, 100, 255, 255, 255}, STATUS_OK, "-SUCCESS"},
                      CustomColorCase{{3, 100, 100, 100, 100, 100, 100}, STATUS_OK, "-SUCCESS"},
                      CustomColorCase{{2, 0, 0, 0, 101, 0, 0}, STATUS_OUT_OF_RANGE, kCmy},
                      CustomColorCase{{3, 0, 0, 0, 0, 0, 101}, STATUS_OUT_OF_RANGE, kCmy},
                      CustomColorCase{{4, 0, 0, 0, 0, 0, 0}, STATUS_OUT_OF_RANGE, kTypeOrRgb},
                      CustomColorCase{{3, 101, 0, 0, 101, 0, 0}, STATUS_OUT_OF_RANGE, kTypeOrRgb},
                      CustomColorCase{{0, 0, 101, 0, 0, 0, 0}, STATUS_OUT_OF_RANGE, kTypeOrRgb},
                      CustomColorCase{{2, 0, 0, 101, 0, 0, 0}, STATUS_OUT_OF_RANGE, kTypeOrRgb}));

TEST_F(SettingsTest, GetCustomColorSendsAnyTypeAndZeroesEveryOutputOnFailure) {
  SetDebugLevel(3);
  dev_.monitor->setCustomColor(200, {1, 2, 3, 4, 5, 6});
  unsigned char out[6];
  EXPECT_EQ(GetCustomColor(200, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5]), STATUS_OK);
  EXPECT_EQ(hex({out, out + 6}), "01 02 03 04 05 06");
  EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:GetCustomColor()-SUCCESS => 1, 2, 3, 4, 5, 6");

  dev_.monitor->refuse(0x49);
  std::fill(out, out + 6, 0xEE);
  EXPECT_EQ(GetCustomColor(7, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5]), STATUS_COMM_FAILURE);
  EXPECT_EQ(hex({out, out + 6}), "00 00 00 00 00 00");
  EXPECT_EQ(lastMessage(), "ERROR ZQ_API:GetCustomColor(7)-FAILS => -1");
}

// ---- Identity records -----------------------------------------------------

struct RecordCase {
  const char* name;
  int (*get)(unsigned char*);
  std::uint8_t code;
  std::size_t length;
  std::size_t replyLength;
};

class RecordTest : public SettingsTest, public ::testing::WithParamInterface<RecordCase> {};

std::vector<std::uint8_t> pattern(std::size_t n) {
  std::vector<std::uint8_t> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(0x41 + i);
  return out;
}

TEST_P(RecordTest, CopiesTheRecordAndDumpsItInTheSuccessLine) {
  const RecordCase& c = GetParam();
  SetDebugLevel(3);
  dev_.monitor->setValue(c.code, pattern(c.length));
  std::vector<unsigned char> out(c.length + 4, 0xEE);
  EXPECT_EQ(c.get(out.data()), STATUS_OK);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + c.length), pattern(c.length));
  EXPECT_EQ(hex({out.begin() + c.length, out.end()}), "EE EE EE EE");  // nothing beyond
  EXPECT_EQ(repliesRead().at(0).size(), c.replyLength * 3 - 1);
  EXPECT_EQ(lastMessage(),
            "DEBUG ZQ_API:Get" + std::string(c.name) + "()-SUCCESS => " + hex(pattern(c.length)) + " ");
}

TEST_P(RecordTest, CopiesTheReplyBytesEvenWhenTheMonitorRefuses) {
  const RecordCase& c = GetParam();
  SetDebugLevel(3);
  dev_.monitor->setValue(c.code, pattern(c.length));
  dev_.monitor->refuse(c.code);
  std::vector<unsigned char> out(c.length, 0xEE);
  EXPECT_EQ(c.get(out.data()), STATUS_COMM_FAILURE);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.end()), pattern(c.length));
  EXPECT_EQ(lastMessage(), "ERROR ZQ_API:Get" + std::string(c.name) + "()-FAILS => -1");
}

TEST_P(RecordTest, LeavesZerosWhenNotConnected) {
  const RecordCase& c = GetParam();
  DisconnectMonitor();
  std::vector<unsigned char> out(c.length, 0xEE);
  EXPECT_EQ(c.get(out.data()), STATUS_NOT_CONNECTED);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.end()), std::vector<std::uint8_t>(c.length, 0));
}

INSTANTIATE_TEST_SUITE_P(All, RecordTest,
                         ::testing::Values(RecordCase{"AssetTag", GetAssetTag, 0x00, 10, 16},
                                           RecordCase{"MonitorName", GetMonitorName, 0x01, 10, 16},
                                           RecordCase{"MonitorSerialNumber", GetMonitorSerialNumber, 0x02, 12,
                                                      18},
                                           RecordCase{"VersionFirmware", GetVersionFirmware, 0xA0, 10, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, BacklightHoursWithTheTopBitSetPrintNegative) {
  SetDebugLevel(3);
  dev_.monitor->setValue(0x04, {0x80, 0x01});
  short hours = 0;
  EXPECT_EQ(GetBacklightHours(&hours), STATUS_OK);
  EXPECT_EQ(static_cast<unsigned short>(hours), 0x8001);
  EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:GetBacklightHours()-SUCCESS => -32767");
  dev_.monitor->refuse(0x04);
  EXPECT_EQ(GetBacklightHours(&hours), STATUS_COMM_FAILURE);
  EXPECT_EQ(hours, 0);
}

TEST_F(SettingsTest, ShortAssetTagSendsItsTerminatorAndTheBytesAfterIt) {
  SetDebugLevel(3);
  const char buffer[12] = {'T', 'A', 'G', '\0', 'x', 'y', 'z', 'w', 'v', 'u', 'Q', '\0'};
  EXPECT_EQ(SetAssetTag(buffer), STATUS_OK);
  EXPECT_EQ(hostFrames(),
            (std::vector<std::string>{writeFrame(0x00, {'T', 'A', 'G', 0, 'x', 'y', 'z', 'w', 'v', 'u'})}));
  EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:SetAssetTag(TAG)-SUCCESS");
  dev_.monitor->refuse(0x00);
  EXPECT_EQ(SetAssetTag("0123456789"), STATUS_COMM_FAILURE);
  EXPECT_EQ(lastMessage(), "ERROR ZQ_API:SetAssetTag(0123456789)-FAILS => -1");
}

TEST_F(SettingsTest, MaskSetterLogsTheArgumentInHex) {
  SetDebugLevel(3);
  EXPECT_EQ(SetColorPreset(0x80), STATUS_OK);
  EXPECT_EQ(hostFrames(), (std::vector<std::string>{writeFrame(0x48, {0, 0, 0, 0x80})}));
  std::vector<std::string> messages = logMessages();
  EXPECT_EQ(std::vector<std::string>(messages.end() - 2, messages.end()),
            (std::vector<std::string>{"DEBUG ZQ_API:SetColorPreset(0x00000080)",
                                      "DEBUG ZQ_API:SetColorPreset(0x00000080)-SUCCESS"}));
}

TEST_F(SettingsTest, ActionsReportTheMonitorsAcknowledgement) {
  SetDebugLevel(3);
  struct Action {
    const char* name;
    int (*call)();
    std::uint8_t code;
  };
  for (const Action& a : {Action{"ResetPower", ResetPower, 0x2F}, Action{"ResetColor", ResetColor, 0x4F},
                          Action{"ResetOSD", ResetOSD, 0x8F}, Action{"FactoryReset", FactoryReset, 0xAF}}) {
    dev_.monitor->refuse(a.code);
    EXPECT_EQ(a.call(), STATUS_COMM_FAILURE) << a.name;
    EXPECT_EQ(lastMessage(), "ERROR ZQ_API:" + std::string(a.name) + "()-FAILS => -1");
    dev_.monitor->clearRefusals();
    EXPECT_EQ(a.call(), STATUS_OK) << a.name;
    EXPECT_EQ(lastMessage(), "DEBUG ZQ_API:" + std::string(a.name) + "()-SUCCESS");
  }
  EXPECT_EQ(dev_.monitor->resets(), (std::vector<std::uint8_t>{0x2F, 0x4F, 0x8F, 0xAF}));
  DisconnectMonitor();
  EXPECT_EQ(ResetOSD(), STATUS_NOT_CONNECTED);
  EXPECT_EQ(lastMessage(), "ERROR ZQ_API:ResetOSD()-FAILS => 3");
}

}  // namespace
}  // namespace vemo::test
