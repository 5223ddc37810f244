// Each request the supervisor builds is told apart as the kind it was built
// as, on both sides of the worker channel.
#include "service/src/worker_messages.h"

#include <gtest/gtest.h>

#include <set>

namespace vemod {
namespace {

TEST(WorkerMessages, EachRequestIsToldApartAsItsKind) {
  const std::vector<std::pair<Json, Op>> built{
      {ask::claim({"VEMOSIM00001"}, std::nullopt), Op::Claim},
      {ask::identity(), Op::Identity},
      {ask::get("brightness"), Op::Get},
      {ask::set("brightness", 40), Op::Set},
      {ask::adjust("brightness", -5), Op::Adjust},
      {ask::getAll(), Op::GetAll},
      {ask::getColor(1), Op::GetColor},
      {ask::setColor(1, {1, 2, 3, 4, 5, 6}), Op::SetColor},
      {ask::reset("color"), Op::Reset},
  };
  std::set<std::string> wireNames;
  for (const auto& [request, op] : built) {
    // Sent as a line and read back, as the worker reads it.
    EXPECT_EQ(opOf(Json::parse(request.dump())), op) << request.dump();
    wireNames.insert(request.at("op").get<std::string>());
  }
  EXPECT_EQ(wireNames.size(), built.size()) << "two kinds of request share a name on the channel";
}

TEST(WorkerMessages, ARequestNamingNoKnownKindIsUnknown) {
  for (const Json& request :
       {Json::object(), Json{{"op", "format"}}, Json{{"op", 3}}, Json{{"name", "get"}}}) {
    EXPECT_EQ(opOf(request), Op::Unknown) << request.dump();
  }
}

TEST(WorkerMessages, RequestsCarryTheirFields) {
  Json claim = ask::claim({"A", "B"}, std::string("C"));
  EXPECT_EQ(claim.at("owned"), Json::array({"A", "B"}));
  EXPECT_EQ(claim.at("wanted"), "C");
  EXPECT_FALSE(ask::claim({}, std::nullopt).contains("wanted"));
  EXPECT_EQ(ask::setColor(2, {9, 8, 7, 6, 5, 4}).at("levels"), Json::array({9, 8, 7, 6, 5, 4}));
  EXPECT_EQ(ask::adjust("contrast", -3).at("delta"), -3);
  EXPECT_TRUE(succeeded(success(5)));
  EXPECT_FALSE(succeeded(failure("Busy", "held")));
  EXPECT_FALSE(succeeded(Json::array()));
}

}  // namespace
}  // namespace vemod
