// GetAssetTag hands out 10 bytes without a terminator. Handing that record
// straight back to SetAssetTag must read those 10 bytes and nothing beyond
// them: here the byte after the record is an inaccessible page.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

// Ten bytes that end exactly where readable memory ends.
class GuardedRecord {
 public:
  GuardedRecord() {
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* area = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = area == MAP_FAILED ? nullptr : static_cast<unsigned char*>(area);
    if (base_ != nullptr) mprotect(base_ + page_, page_, PROT_NONE);
  }
  ~GuardedRecord() {
    if (base_ != nullptr) munmap(base_, 2 * page_);
  }
  unsigned char* bytes() { return base_ + page_ - VEMO_RECORD_BYTES; }
  bool ready() const { return base_ != nullptr; }

 private:
  std::size_t page_ = 0;
  unsigned char* base_ = nullptr;
};

class AssetTagRegressionTest : public SdkTest, public ::testing::WithParamInterface<int> {};

TEST_P(AssetTagRegressionTest, RecordFromGetAssetTagGoesBackWithoutReadingPastIt) {
  connectStandard();
  ASSERT_EQ(SetDebugLevel(static_cast<unsigned char>(GetParam())), STATUS_OK);
  GuardedRecord record;
  ASSERT_TRUE(record.ready());
  ASSERT_EQ(GetAssetTag(record.bytes()), STATUS_OK);
  ASSERT_EQ(std::memcmp(record.bytes(), "ASSET-0001", VEMO_RECORD_BYTES), 0);
  dev_.monitor->clearRecord();

  ASSERT_EQ(SetAssetTag(reinterpret_cast<const char*>(record.bytes())), STATUS_OK);

  ASSERT_EQ(dev_.monitor->hostFrames().size(), 1u);
  EXPECT_EQ(hex(dev_.monitor->hostFrames()[0]), "51 8C EA 00 41 53 53 45 54 2D 30 30 30 31 25");
  if (GetParam() >= VEMO_LOG_DEBUG) {
    std::vector<std::string> messages = logMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "DEBUG ZQ_API:SetAssetTag(ASSET-0001)"),
              messages.end());
    EXPECT_EQ(messages.back(), "DEBUG ZQ_API:SetAssetTag(ASSET-0001)-SUCCESS");
  } else {
    EXPECT_FALSE(logExists());
  }
}

// The line is built whatever the level, so the record must be safe at every level.
INSTANTIATE_TEST_SUITE_P(EveryLevel, AssetTagRegressionTest,
                         ::testing::Values(VEMO_LOG_OFF, VEMO_LOG_ERROR, VEMO_LOG_DEBUG, VEMO_LOG_TRACE),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Level" + std::to_string(info.param);
                         });

using AssetTagTextTest = SdkTest;

TEST_F(AssetTagTextTest, LongerTextIsLoggedAsTheTenCharactersSent) {
  connectStandard();
  ASSERT_EQ(SetDebugLevel(VEMO_LOG_DEBUG), STATUS_OK);
  ASSERT_EQ(SetAssetTag("ABCDEFGHIJKLMNOP"), STATUS_OK);
  EXPECT_EQ(hex(dev_.monitor->hostFrames().back()), "51 8C EA 00 41 42 43 44 45 46 47 48 49 4A 52");
  EXPECT_EQ(logMessages().back(), "DEBUG ZQ_API:SetAssetTag(ABCDEFGHIJ)-SUCCESS");
}

}  // namespace
}  // namespace vemo::test
