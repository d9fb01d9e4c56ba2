// The scenario: parsing the profile's steps and choosing the current one on
// the device clock.
#include "support/device_fixture.h"

#include <windows.h>

#include "internal/scenario.h"

#include <json/reader.h>

#include <filesystem>
#include <fstream>

namespace {

using kelvane::kNoScenarioStep;
using kelvane::testing::DeviceTest;
class ScenarioTest : public DeviceTest {};

Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << errors;
  return value;
}

kelvane::Scenario Durations(std::vector<uint64_t> durations, bool loop) {
  kelvane::Scenario s;
  s.loop = loop;
  for (uint64_t d : durations) {
    kelvane::ScenarioStep step;
    step.duration_ms = d;
    s.steps.push_back(step);
  }
  return s;
}

TEST(StepIndexAt, HoldsTheLastStepOrLoops) {
  struct Case {
    std::vector<uint64_t> durations;
    bool loop;
    uint64_t ms;
    size_t index;
  };
  const Case cases[] = {
      {{1000, 2000, 500}, false, 0, 0},     {{1000, 2000, 500}, false, 999, 0},
      {{1000, 2000, 500}, false, 1000, 1},  {{1000, 2000, 500}, false, 2999, 1},
      {{1000, 2000, 500}, false, 3499, 2},  {{1000, 2000, 500}, false, 3500, 2},
      {{1000, 2000, 500}, false, 1u << 30, 2}, {{1000, 2000, 500}, true, 3500, 0},
      {{1000, 2000, 500}, true, 3500 * 7 + 1200, 1}, {{1000, 0, 500}, false, 1000, 2},
      {{0, 0}, true, 12345, 1},             {{}, false, 0, kNoScenarioStep},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kelvane::StepIndexAt(Durations(c.durations, c.loop), c.ms), c.index)
        << "at " << c.ms << " ms, loop " << c.loop;
}

TEST(ParseScenario, ReadsCellsAccessPointsAndConnections) {
  std::vector<std::string> problems;
  const kelvane::Scenario s = kelvane::ParseScenario(ParseJson(R"({"loop": true, "steps": [
      {"duration": 60000,
       "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031, "signal": 20, "timingAdvance": 1},
       "neighbours": [{"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40032}],
       "accessPoints": [{"mac": "00:1a:2b:3c:4d:5e", "signal": -61, "ssid": "Home"},
                        {"mac": "00-1A-2B-3C-4D-5F", "signal": -70, "ssidHex": "c328"}],
       "connections": {"`GPRS": false}},
      {"duration": 1000}]})"),
                                                     &problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  ASSERT_EQ(s.steps.size(), 2u);
  EXPECT_TRUE(s.loop);
  const kelvane::ScenarioStep& first = s.steps[0];
  EXPECT_EQ(first.duration_ms, 60000u);
  ASSERT_TRUE(first.serving);
  EXPECT_EQ(first.serving->mcc, 250u);
  EXPECT_EQ(first.serving->mnc, 1u);
  EXPECT_EQ(first.serving->lac, 7712u);
  EXPECT_EQ(first.serving->cell_id, 40031u);
  EXPECT_EQ(first.serving->signal, 20);
  EXPECT_EQ(first.serving->timing_advance, 1);
  ASSERT_EQ(first.neighbours.size(), 1u);
  EXPECT_EQ(first.neighbours[0].cell_id, 40032u);
  EXPECT_EQ(first.neighbours[0].signal, -1);
  ASSERT_EQ(first.access_points.size(), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.access_points[0].mac), 6), std::string("\x00\x1a\x2b\x3c\x4d\x5e", 6));
  EXPECT_EQ(first.access_points[0].signal, -61);
  EXPECT_EQ(first.access_points[0].ssid, "Home");
  EXPECT_EQ(first.access_points[1].mac[5], 0x5f);
  EXPECT_EQ(first.access_points[1].ssid, "\xc3\x28");
  EXPECT_EQ(first.connections.at("`GPRS"), false);
  EXPECT_FALSE(s.steps[1].serving);
}

TEST(ParseScenario, ReportsEachBadPartAndLeavesItOut) {
  std::vector<std::string> problems;
  const kelvane::Scenario s = kelvane::ParseScenario(ParseJson(R"({"steps": [
      {"serving": {"mcc": 250, "mnc": 1, "lac": 7712}},
      {"duration": -5, "neighbours": [{"mcc": "250", "mnc": 1, "lac": 1, "cellId": 2}, 7],
       "accessPoints": [{"mac": 3}, {"mac": "00:1a:2b:3c:4d", "signal": 1},
                        {"mac": "00:1a:2b:3c:4d:5e", "signal": 1, "ssidHex": "c3z"},
                        {"mac": "00:1a:2b:3c:4d:5e", "signal": 1, "ssid": "123456789012345678901234567890123"}],
       "connections": {"`GPRS": "up"}},
      "not a step"]})"),
                                                     &problems);
  ASSERT_EQ(s.steps.size(), 3u);
  EXPECT_FALSE(s.steps[0].serving);  // no cell id
  EXPECT_EQ(s.steps[0].duration_ms, 0u);
  EXPECT_TRUE(s.steps[1].neighbours.empty());
  EXPECT_TRUE(s.steps[1].access_points.empty());
  EXPECT_TRUE(s.steps[1].connections.empty());
  // step 0: duration, serving; step 1: duration, two neighbours, four access
  // points, connection; step 2.
  EXPECT_EQ(problems.size(), 11u);
}

TEST_F(ScenarioTest, CurrentStepFollowsTheDeviceClockAndHoldsTheLast) {
  Json::Value profile;
  profile["timeScale"] = 100;
  profile["tickStart"] = 4294960000u;  // the time line counts from boot, not from the tick count
  Json::Value steps = ParseJson(R"([{"duration": 30000, "serving": {"mcc": 0, "mnc": 1, "lac": 2, "cellId": 3}},
                                   {"duration": 30000, "serving": {"mcc": 250, "mnc": 1, "lac": 2, "cellId": 4}}])");
  profile["scenario"]["steps"] = steps;
  WriteProfile(profile);
  ASSERT_EQ(kelvane::CurrentScenarioStepIndex(), 0u);
  auto step = kelvane::CurrentScenarioStep();
  ASSERT_TRUE(step && step->serving);
  EXPECT_EQ(step->serving->mcc, 0u);
  Sleep(30000);
  EXPECT_EQ(kelvane::CurrentScenarioStepIndex(), 1u);
  Sleep(60000);
  EXPECT_EQ(kelvane::CurrentScenarioStepIndex(), 1u);
  step = kelvane::CurrentScenarioStep();
  ASSERT_TRUE(step && step->serving);
  EXPECT_EQ(step->serving->cell_id, 4u);
}

TEST_F(ScenarioTest, DefaultProfileWalksFourCellsAndStartsAgain) {
  std::ifstream in(std::filesystem::path(KELVANE_SOURCE_DIR) / "data" / "default-device.json");
  Json::Value profile;
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &profile, &errors)) << errors;
  std::vector<std::string> problems;
  const kelvane::Scenario s = kelvane::ParseScenario(profile["scenario"], &problems);
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(s.steps.size(), 4u);
  EXPECT_TRUE(s.loop);
  const DWORD cells[][4] = {{250, 1, 7712, 40031}, {250, 1, 7712, 40032}, {250, 1, 7713, 51877}, {250, 1, 7713, 99999}};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(s.steps[i].serving);
    const kelvane::ScenarioCell& c = *s.steps[i].serving;
    EXPECT_EQ(s.steps[i].duration_ms, 60000u);
    EXPECT_EQ((std::vector<DWORD>{c.mcc, c.mnc, c.lac, c.cell_id}),
              (std::vector<DWORD>{cells[i][0], cells[i][1], cells[i][2], cells[i][3]}));
  }
  EXPECT_EQ(s.steps[0].serving->signal, 20);
  EXPECT_EQ(s.steps[0].serving->timing_advance, 1);
  EXPECT_EQ(kelvane::StepIndexAt(s, 3 * 60000 + 1), 3u);  // the cell the location data do not know
  EXPECT_EQ(kelvane::StepIndexAt(s, 4 * 60000 + 1), 0u);
}

}  // namespace
