// The bus names the service and its clients share match the interface
// description the service installs.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "contract/bus.h"

namespace {

std::string interfaceXml() {
  std::ifstream in(VEMOD_INTERFACE_XML);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> captured(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
    found.insert((*it)[1]);
  return found;
}

TEST(BusContract, NamesMatchTheInterfaceDescription) {
  const std::string xml = interfaceXml();
  ASSERT_FALSE(xml.empty()) << VEMOD_INTERFACE_XML;
  EXPECT_EQ(captured(xml, std::regex(R"(<interface name="([^"]+)\")")),
            (std::set<std::string>{vemo::bus::kManagerInterface, vemo::bus::kMonitorInterface}));
  // The description names the bus name and the objects in its opening comment.
  EXPECT_EQ(captured(xml, std::regex(R"(Bus name ([\w.]+);)")), std::set<std::string>{vemo::bus::kBusName});
  EXPECT_EQ(captured(xml, std::regex(R"(the Manager at (/[\w/]+))")),
            std::set<std::string>{vemo::bus::kManagerPath});
  EXPECT_EQ(captured(xml, std::regex(R"(each monitor at\s+(/[\w/]+/)<Id>)")),
            std::set<std::string>{vemo::bus::kMonitorPathPrefix});
}

TEST(BusContract, ErrorsLiveUnderTheBusName) {
  const std::regex member("[A-Z][A-Za-z]*");
  for (const char* kind : vemo::bus::kErrorKinds) {
    EXPECT_TRUE(std::regex_match(kind, member)) << kind;
    EXPECT_EQ(vemo::bus::errorName(kind), std::string(vemo::bus::kBusName) + ".Error." + kind);
  }
}

}  // namespace
