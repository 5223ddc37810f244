// The log file: its line format, the level filter, openings and closings,
// and the hex dump.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using LogTest = SdkTest;

const std::string kSeparator(30, '-');

TEST_F(LogTest, DefaultLevelWritesNothingAndCreatesNoFile) {
  Log(1, "an error nobody asked for");
  unsigned char value = 0;
  GetBrightness(&value);
  SetBrightness(101);
  ConnectMonitor(0);
  DisconnectMonitor();
  EXPECT_FALSE(logExists());
}

TEST_F(LogTest, FirstSetDebugLevelOpensTheFileWithSeparatorAndStampedSuccessLine) {
  ASSERT_EQ(SetDebugLevel(3), STATUS_OK);
  std::vector<std::string> lines = logLines();
  ASSERT_EQ(lines.size(), 2u);  // the entry line was judged at the old level 0
  EXPECT_EQ(lines[0], kSeparator);
  EXPECT_TRUE(std::regex_match(
      lines[1], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d DEBUG ZQ_API:SetDebugLevel\(3\)-SUCCESS)")))
      << lines[1];
}

struct LevelChange {
  int from;
  unsigned char to;
  int result;
  std::vector<std::string> newMessages;
};

class SetDebugLevelTest : public SdkTest, public ::testing::WithParamInterface<LevelChange> {};

TEST_P(SetDebugLevelTest, LogsEntryAtOldLevelAndOutcomeAtNewLevel) {
  const LevelChange& c = GetParam();
  if (c.from != 0) SetDebugLevel(static_cast<unsigned char>(c.from));
  std::size_t before = logMessages().size();
  EXPECT_EQ(SetDebugLevel(c.to), c.result);
  std::vector<std::string> all = logMessages();
  std::vector<std::string> added(all.begin() + static_cast<long>(before), all.end());
  EXPECT_EQ(added, c.newMessages);
  // The level in force afterwards: a DEBUG line passes only at 3 and above.
  int expectedLevel = c.result == STATUS_OK ? c.to : c.from;
  before = logMessages().size();
  Log(3, "probe");
  EXPECT_EQ(logMessages().size() - before, expectedLevel >= 3 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SetDebugLevelTest,
    ::testing::Values(LevelChange{3, 0, STATUS_OK, {"DEBUG ZQ_API:SetDebugLevel(0)"}},
                      LevelChange{3,
                                  5,
                                  STATUS_OUT_OF_RANGE,
                                  {"DEBUG ZQ_API:SetDebugLevel(5)",
                                   "ERROR ZQ_API:SetDebugLevel(5)-FAILS, Parameters out of range"}},
                      LevelChange{3,
                                  255,
                                  STATUS_OUT_OF_RANGE,
                                  {"DEBUG ZQ_API:SetDebugLevel(255)",
                                   "ERROR ZQ_API:SetDebugLevel(255)-FAILS, Parameters out of range"}},
                      LevelChange{0, 5, STATUS_OUT_OF_RANGE, {}},
                      // Nothing was written at level 1 yet, so this opens the file.
                      LevelChange{1, 4, STATUS_OK, {kSeparator, "DEBUG ZQ_API:SetDebugLevel(4)-SUCCESS"}},
                      LevelChange{4, 2, STATUS_OK, {"DEBUG ZQ_API:SetDebugLevel(2)"}}));

TEST_F(LogTest, LevelFilterPassesOnlyLevelsAtOrBelowTheCurrentOne) {
  SetDebugLevel(2);
  for (int level = -1; level <= 5; ++level) Log(level, "message at %d", level);
  std::vector<std::string> messages = logMessages();
  // A level below 0 has no name and is dropped; level 0 passes under "OFF".
  EXPECT_EQ(messages, (std::vector<std::string>{kSeparator, "OFF   message at 0", "ERROR message at 1",
                                                "WARN  message at 2"}));
}

TEST_F(LogTest, TraceDumpLineShowsTwoSpacesAfterTheLevel) {
  SetDebugLevel(4);
  Log(4, " ---> %s", "51 ");
  EXPECT_EQ(logMessages().back(), "TRACE  ---> 51 ");
}

TEST_F(LogTest, MessageIsCutAfter199Characters) {
  SetDebugLevel(1);
  std::string longText(500, 'x');
  Log(1, "%s", longText.c_str());
  EXPECT_EQ(logMessages().back(), "ERROR " + std::string(199, 'x'));
}

TEST_F(LogTest, EveryLineIsOnDiskBeforeTheCallReturns) {
  SetDebugLevel(1);
  Log(1, "first");
  // The file is still open; reading it through another stream sees the line.
  EXPECT_EQ(logMessages().back(), "ERROR first");
}

TEST_F(LogTest, TheSeparatorIsOnDiskAsSoonAsTheLogStarts) {
  _LOGStart();
  EXPECT_EQ(logLines(), (std::vector<std::string>{kSeparator}));
}

TEST_F(LogTest, ReopeningAfterStopAppendsASecondSeparator) {
  SetDebugLevel(1);
  Log(1, "before");
  _LOGStop();
  _LOGStop();  // closing twice is harmless
  Log(1, "after");
  EXPECT_EQ(logMessages(), (std::vector<std::string>{kSeparator, "ERROR before", kSeparator, "ERROR after"}));
}

TEST_F(LogTest, ChangingTheLevelNeverClosesTheFile) {
  SetDebugLevel(1);
  Log(1, "one");
  SetDebugLevel(0);
  Log(1, "dropped");
  SetDebugLevel(1);
  Log(1, "two");
  std::vector<std::string> messages = logMessages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), kSeparator), 1);
  EXPECT_EQ(messages.back(), "ERROR two");
}

TEST_F(LogTest, RawLineCallsOpenTheFileWhateverTheLevel) {
  _LOG("raw text");
  EXPECT_EQ(logMessages(), (std::vector<std::string>{kSeparator, "raw text"}));
}

TEST_F(LogTest, UnopenableFileDropsTheLineAndTheNextLineTriesAgain) {
  // A directory in the file's place makes fopen fail, even for root.
  ASSERT_TRUE(std::filesystem::create_directory("VemoMonitorSdk.log"));
  ASSERT_EQ(SetDebugLevel(3), STATUS_OK);
  unsigned short version = 0;
  EXPECT_EQ(GetVersionSDK(&version), STATUS_OK);
  std::filesystem::remove("VemoMonitorSdk.log");
  Log(1, "now it opens");
  EXPECT_EQ(logMessages(), (std::vector<std::string>{kSeparator, "ERROR now it opens"}));
}

struct DumpCase {
  std::vector<std::uint8_t> bytes;
  int count;
  std::string expected;
};

class ToHexStringTest : public SdkTest, public ::testing::WithParamInterface<DumpCase> {};

TEST_P(ToHexStringTest, DumpsUpperCaseHexWithTrailingSpaces) {
  const DumpCase& c = GetParam();
  EXPECT_EQ(std::string(ToHexString(c.bytes.data(), c.count)), c.expected);
}

std::vector<std::uint8_t> sequence(int n) {
  std::vector<std::uint8_t> out(n);
  for (int i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(0xA0 + i);
  return out;
}

std::string sequenceDump(int n) {
  std::string out;
  char digits[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(digits, sizeof digits, "%02X ", 0xA0 + i);
    out += digits;
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(Dumps, ToHexStringTest,
                         ::testing::Values(DumpCase{{0x51, 0x0A}, 2, "51 0A "},
                                           DumpCase{{0x00, 0xFF, 0x7f}, 3, "00 FF 7F "},
                                           DumpCase{sequence(33), 33, sequenceDump(33)},
                                           // Longer dumps are cut at the buffer's 33 bytes.
                                           DumpCase{sequence(40), 40, sequenceDump(33)},
                                           DumpCase{sequence(300), 300, sequenceDump(33)}));

TEST_F(LogTest, DumpOf33BytesFills99Characters) {
  std::vector<std::uint8_t> bytes = sequence(33);
  EXPECT_EQ(std::strlen(ToHexString(bytes.data(), 33)), 99u);
}

TEST_F(LogTest, EmptyDumpLeavesThePreviousOneAndNullGivesEmptyText) {
  const unsigned char bytes[] = {0x12, 0x34};
  ToHexString(bytes, 2);
  EXPECT_STREQ(ToHexString(bytes, 0), "12 34 ");
  EXPECT_STREQ(ToHexString(bytes, -7), "12 34 ");
  EXPECT_STREQ(ToHexString(nullptr, 5), "");
}

}  // namespace
}  // namespace vemo::test
