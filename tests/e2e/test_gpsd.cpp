// The whole chain with real parts: the location server answers, the program
// positions itself from the scenario's cells, and gpsd, reading the program's
// bridged port and the GPS Intermediate Driver's port as GPS receivers,
// reports the fixes a navigation program would get.
#include "chain_fixture.h"
#include "support/scenario_profile.h"
#include "support/program_runner.h"

namespace {

using namespace std::chrono_literals;
using kelvane::testing::GpsdWatch;
using kelvane::testing::kFirstCell;
using kelvane::testing::kSecondCell;
using kelvane::testing::Place;
using kelvane::testing::ProgramRun;
using kelvane::testing::QuorvanePath;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;
using kelvane::testing::WaitUntil;


class EndToEndTest : public kelvane::testing::ChainTest {
 protected:
  static constexpr int kStepMs = 200000;  // device time: 20 s of host time at scale 10

  void SetUp() override {
    ChainTest::SetUp();
    Json::Value profile;
    profile["timeScale"] = 10;
    profile["sim"]["imsi"] = "250011234567890";
    profile["scenario"]["steps"].append(ScenarioStep(kStepMs, ScenarioCell(250, 1, 7712, 40031)));
    profile["scenario"]["steps"].append(ScenarioStep(kStepMs, ScenarioCell(250, 1, 7712, 40032)));
    profile["scenario"]["steps"].append(ScenarioStep(10 * kStepMs, ScenarioCell(250, 1, 7713, 99999)));
    AddBridges(&profile);
    WriteProfile(profile);
  }
};

TEST_F(EndToEndTest, GpsdFollowsTheScenarioThroughBothPortsUntilTheCellIsUnknown) {
  ASSERT_TRUE(StartServer());
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());

  EXPECT_TRUE(FixAt(watch, "COM5", kFirstCell, 30s)) << program.Output();
  EXPECT_TRUE(FixAt(watch, "GPD0", kFirstCell, 30s));
  EXPECT_TRUE(FixAt(watch, "COM5", kSecondCell, 40s));
  EXPECT_TRUE(FixAt(watch, "GPD0", kSecondCell, 30s));

  // Without the services, the unknown cell cannot be placed: the port falls
  // silent and the driver file empties.
  server_->Stop();
  const auto driver_file = root() / "windows/gpsfile.dat";
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(driver_file) && std::filesystem::file_size(driver_file) == 0; },
                        40s));
  Json::Value tpv;
  const auto quiet_from = std::chrono::steady_clock::now() + 2s;
  bool spoke = false;
  while (std::chrono::steady_clock::now() < quiet_from + 3s) {
    if (watch.Next("TPV", &tpv, 500) && std::chrono::steady_clock::now() > quiet_from && tpv["mode"].asInt() >= 2)
      spoke = true;
  }
  EXPECT_FALSE(spoke) << tpv.toStyledString();

  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
  EXPECT_FALSE(std::filesystem::exists(driver_file));
}

}  // namespace
