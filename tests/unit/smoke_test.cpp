#include "tests/support/sdk_fixture.h"

namespace vemo::test {
namespace {

using SmokeTest = SdkTest;

TEST_F(SmokeTest, SetBrightnessTravelsAsTheWorkedExample) {
  connectStandard();
  ASSERT_EQ(SetBrightness(50), STATUS_OK);
  ASSERT_EQ(dev_.monitor->hostFrames().size(), 1u);
  EXPECT_EQ(hex(dev_.monitor->hostFrames()[0]), "51 83 EA 30 32 54");
  unsigned char value = 0;
  ASSERT_EQ(GetBrightness(&value), STATUS_OK);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(VirtualClock::sleeps(), (std::vector<std::uint64_t>{100000, 100000}));
}

}  // namespace
}  // namespace vemo::test
