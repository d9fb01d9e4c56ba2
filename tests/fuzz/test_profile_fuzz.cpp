// device.json garbled: whatever the file holds, the profile is an object or
// empty, the clock and the scenario read it without failing, and members of
// the wrong type or range are reported rather than taken.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/scenario.h"
#include "support/byte_mutator.h"
#include "support/device_fixture.h"

namespace kelvane::testing {
namespace {

using ProfileFuzzTest = DeviceTest;

const std::vector<std::string> kProfiles = {
    R"({"timeScale": 20, "tickStart": 4294960000, "scenario": {"loop": true, "steps": [
        {"duration": 5000, "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031, "signal": 20},
         "neighbours": [{"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40032}],
         "accessPoints": [{"mac": "00:1a:2b:3c:4d:5e", "signal": -61}], "connections": {"`GPRS": false}},
        {"duration": 1000}]}})",
    R"({"timeScale": -1, "tickStart": -5, "scenario": {"loop": 1, "steps": [{"duration": -1,
        "serving": {"mcc": -250, "mnc": "1", "lac": 1.5, "cellId": 4294967296, "timingAdvance": -1}}]}})",
    R"([{"timeScale": 1}, 2])",
};

TEST_F(ProfileFuzzTest, AnyProfileTextReadsAsAnObjectAndTheDeviceKeepsGoing) {
  ByteMutator mutator(12001, kProfiles, "{}[]\":,-.0123456789eE truefalsnul", MutatorOptions{4, 24, 10, 200});
  for (int round = 0; round < 1200; ++round) {
    std::ofstream(root() / "device.json", std::ios::binary | std::ios::trunc) << mutator.Next();
    ::testing::internal::CaptureStderr();
    ReloadProfile();
    ReloadDeviceClock();
    const Json::Value& profile = Profile();
    const bool usable = profile.isObject() || profile.isNull();
    GetTickCount();
    std::vector<std::string> problems;
    const Scenario scenario = ParseScenario(profile.isObject() ? profile["scenario"] : Json::Value(), &problems);
    ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(usable) << "round " << mutator.round();

    // Every step read is kept; cells are taken only with the identity whole.
    const Json::Value& steps = profile.isObject() ? profile["scenario"]["steps"] : Json::Value();
    if (steps.isArray() && profile["scenario"].isObject()) {
      ASSERT_EQ(scenario.steps.size(), steps.size());
      for (Json::ArrayIndex i = 0; i < steps.size(); ++i) {
        if (!steps[i].isObject() || !steps[i]["serving"].isObject()) continue;
        const Json::Value& serving = steps[i]["serving"];
        const bool whole = serving["mcc"].isUInt() && serving["mnc"].isUInt() && serving["lac"].isUInt() &&
                           serving["cellId"].isUInt();
        if (!whole) {
          ASSERT_FALSE(scenario.steps[i].serving.has_value()) << "round " << mutator.round();
          ASSERT_FALSE(problems.empty()) << "round " << mutator.round();
        }
      }
    }
  }
}

}  // namespace
}  // namespace kelvane::testing
