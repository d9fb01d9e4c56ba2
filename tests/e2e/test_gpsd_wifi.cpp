// The Wi-Fi position end to end: access points of the scenario, resolved by
// the location server from data/wifi.csv, reach gpsd when their accuracy
// beats the cell's; the radio is switched on only when WiFiOn asks.
#include "chain_fixture.h"
#include "support/program_runner.h"
#include "support/scenario_profile.h"

#include <cmath>

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

// The server's answer for 00:1a:2b:3c:4d:01 to 03: their mean, about 90 m.
constexpr Place kCafe = {55.751733, 37.618533};

class WifiEndToEndTest : public kelvane::testing::ChainTest {
 protected:
  static constexpr int kStepMs = 200000;  // device time: 20 s of host time at scale 10

  // A device whose managed radio starts on or off; the first step sees the
  // three access points near the first cell.
  void Start(bool radio_on, bool second_step, const std::string& config) {
    Json::Value profile;
    profile["timeScale"] = 10;
    profile["sim"]["imsi"] = "250011234567890";
    profile["wirelessDevices"][0]["name"] = "WLAN1";
    profile["wirelessDevices"][0]["type"] = 1;
    profile["wirelessDevices"][0]["on"] = radio_on;
    profile["adapters"][0]["name"] = "WLAN1";
    Json::Value first = ScenarioStep(second_step ? kStepMs : 10 * kStepMs, ScenarioCell(250, 1, 7712, 40031));
    for (const char* mac : {"00:1a:2b:3c:4d:01", "00:1a:2b:3c:4d:02", "00:1a:2b:3c:4d:03"}) {
      Json::Value point;
      point["mac"] = mac;
      point["signal"] = -65;
      first["accessPoints"].append(point);
    }
    profile["scenario"]["steps"].append(first);
    if (second_step) profile["scenario"]["steps"].append(ScenarioStep(10 * kStepMs, ScenarioCell(250, 1, 7712, 40032)));
    AddBridges(&profile);
    WriteProfile(profile);
    ASSERT_TRUE(StartServer(ShippedData(), config));
  }
};

TEST_F(WifiEndToEndTest, TheWifiPositionWinsWhileAccessPointsAreInRangeThenTheCellsFollows) {
  Start(true, true, "");
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());
  EXPECT_TRUE(FixAt(watch, "COM5", kCafe, 30s)) << program.Output();
  EXPECT_TRUE(FixAt(watch, "GPD0", kCafe, 30s));
  // The second step has no access points: the cell's position.
  EXPECT_TRUE(FixAt(watch, "COM5", kSecondCell, 40s));
  EXPECT_EQ(std::filesystem::file_size(root() / "Program Files/Kelvane/wifi.dat"), 3u * 22u);
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

TEST_F(WifiEndToEndTest, AnOffRadioIsSwitchedOnWhenWiFiOnAsks) {
  Start(false, false, "WiFiOn=1\n");
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());
  EXPECT_TRUE(FixAt(watch, "COM5", kCafe, 30s)) << program.Output();
  EXPECT_EQ(ReadHostFile("wireless-state"), "WLAN1 1\n");
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

TEST_F(WifiEndToEndTest, WithWiFiOnOffAnOffRadioStaysOffAndTheCellIsTheFix) {
  Start(false, false, "WiFiOn=0\n");
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());
  EXPECT_TRUE(FixAt(watch, "COM5", kFirstCell, 30s)) << program.Output();
  // Had the radio come on, the access points' smaller radius would have won
  // in the same pass as the cell, long before this.
  EXPECT_FALSE(FixAt(watch, "COM5", kCafe, 8s));
  EXPECT_EQ(ReadHostFile("wireless-state"), "");
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

}  // namespace
