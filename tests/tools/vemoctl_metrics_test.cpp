// vemoctl metrics against three simulated monitors, read back by
// prometheus_client's parser of the text format.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "tests/tools/tool_run.h"

namespace vemo::tooltest {
namespace {

using Json = nlohmann::json;
using Env = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

const std::set<std::string> kFamilies = {"vemo_monitor_info", "vemo_monitor_backlight_hours",
                                         "vemo_monitor_power_state", "vemo_monitor_up"};

class MetricsTest : public ::testing::Test {
 protected:
  ToolResult vemoctl(Args args, Env env = {}) {
    args.insert(args.begin(), "--simulate");
    env.emplace("VEMO_SIM_STATE", scratch_.path("state.json"));
    env.emplace("VEMO_SIM_FAST", "1");
    env.emplace("VEMO_SIM_MONITORS", "3");
    return runProgram(scratch_.dir(), VEMOCTL_PATH, args, env, "");
  }

  // Family name to {type, help, samples}; fails the test when the parser
  // rejects the text.
  Json parsed(const std::string& text) {
    ToolResult r = runProgram(scratch_.dir(), "/usr/bin/python3", {PARSE_METRICS_PY}, {}, text);
    EXPECT_EQ(r.exitCode, 0) << r.err << "\n" << text;
    return r.exitCode == 0 ? Json::parse(r.out) : Json::object();
  }

  Scratch scratch_;
};

// Sample values of one family by the sample's id label (and setting label).
std::map<std::string, double> valuesById(const Json& family, const std::string& setting = "") {
  std::map<std::string, double> values;
  for (const Json& sample : family["samples"]) {
    if (!setting.empty() && sample["labels"].value("setting", "") != setting) continue;
    values[sample["labels"]["id"]] = sample["value"];
  }
  return values;
}

TEST_F(MetricsTest, EveryMonitorIsDescribedWithLabelsEscaped) {
  // A quote and a backslash in a label value must survive the format.
  ASSERT_EQ(vemoctl({"--monitor", "1", "set", "asset-tag", "A\"B\\\\C"}).exitCode, 0);
  ToolResult r = vemoctl({"metrics", "--all-settings"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Json families = parsed(r.out);

  std::set<std::string> names;
  for (const auto& [name, family] : families.items()) {
    names.insert(name);
    EXPECT_FALSE(family["help"].get<std::string>().empty()) << name;
    for (const Json& sample : family["samples"]) EXPECT_TRUE(sample["labels"].contains("id")) << name;
  }
  std::set<std::string> expected = kFamilies;
  expected.insert("vemo_monitor_setting");
  EXPECT_EQ(names, expected);
  EXPECT_EQ(families["vemo_monitor_backlight_hours"]["type"], "counter");
  EXPECT_EQ(families["vemo_monitor_backlight_hours"]["samples"][0]["name"],
            "vemo_monitor_backlight_hours_total");

  const std::map<std::string, double> allUp = {{"VM2612345678", 1}, {"VM2612345679", 1}, {"VM2612345680", 1}};
  EXPECT_EQ(valuesById(families["vemo_monitor_up"]), allUp);
  EXPECT_EQ(valuesById(families["vemo_monitor_setting"], "brightness").size(), 3u);
  EXPECT_EQ(valuesById(families["vemo_monitor_setting"], "color-preset-caps").size(), 3u);

  Json info = families["vemo_monitor_info"]["samples"][1];
  EXPECT_EQ(info["value"], 1);
  EXPECT_EQ(info["labels"]["id"], "VM2612345679");
  EXPECT_EQ(info["labels"]["serial_number"], "VM2612345679");
  EXPECT_EQ(info["labels"]["usb_serial"], "VEMOSIM00002");
  EXPECT_EQ(info["labels"]["asset_tag"], "A\"B\\\\C");  // vemoctl's text form of A"B\C
  EXPECT_FALSE(info["labels"]["model"].get<std::string>().empty());
  EXPECT_FALSE(info["labels"]["firmware"].get<std::string>().empty());
}

// A monitor whose serial number cannot be read is known by its bridge's USB
// serial; a failed read marks it down and its sample is left out.
TEST_F(MetricsTest, FailedReadsLeaveTheirSamplesOutAndMarkTheMonitorDown) {
  ToolResult r = vemoctl({"metrics"}, {{"VEMO_SIM_REFUSE", "0x02,0x20"}});  // serial number, power state
  EXPECT_EQ(r.exitCode, 1);
  Json families = parsed(r.out);
  const std::map<std::string, double> allDown = {
      {"VEMOSIM00001", 0}, {"VEMOSIM00002", 0}, {"VEMOSIM00003", 0}};
  EXPECT_EQ(valuesById(families["vemo_monitor_up"]), allDown);
  EXPECT_TRUE(families["vemo_monitor_power_state"]["samples"].empty());
  EXPECT_TRUE(families["vemo_monitor_info"]["samples"].empty());
  EXPECT_EQ(valuesById(families["vemo_monitor_backlight_hours"]).size(), 3u);
}

TEST_F(MetricsTest, OutputFileIsReplacedWithoutATemporaryFileLeft) {
  namespace fs = std::filesystem;
  fs::create_directory(scratch_.path("collector"));
  std::string file = scratch_.path("collector/vemo.prom");
  writeFile(file, "stale\n");
  ToolResult r = vemoctl({"metrics", "--output", file});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(valuesById(parsed(readFile(file))["vemo_monitor_up"]).size(), 3u);
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch_.path("collector")), fs::directory_iterator()), 1);
  // Readable as any new file, for a collector running as another user.
  mode_t umaskNow = umask(0);
  umask(umaskNow);
  EXPECT_EQ(static_cast<mode_t>(fs::status(file).permissions()), 0666 & ~umaskNow);

  ToolResult missing = vemoctl({"metrics", "--output", scratch_.path("nowhere/vemo.prom")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot write"), std::string::npos) << missing.err;
}

TEST_F(MetricsTest, WithoutMonitorsTheFamiliesAreStillDescribed) {
  ToolResult r = vemoctl({"metrics"}, {{"VEMO_SIM_MONITORS", "0"}});
  EXPECT_EQ(r.exitCode, 3);
  Json families = parsed(r.out);
  std::set<std::string> names;
  for (const auto& [name, family] : families.items()) {
    names.insert(name);
    EXPECT_TRUE(family["samples"].empty()) << name;
  }
  EXPECT_EQ(names, kFamilies);
}

}  // namespace
}  // namespace vemo::tooltest
