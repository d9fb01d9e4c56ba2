// The Wi-Fi position end to end: access points of the scenario, resolved by
// the location server from data/wifi.csv or by the living service behind it
// (played on loopback), reach gpsd when their accuracy beats the cell's; the
// radio is switched on only when WiFiOn asks.
#include "chain_fixture.h"
#include "support/fake_upstream.h"
#include "support/program_runner.h"
#include "support/scenario_profile.h"

#include <json/reader.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::FakeUpstream;
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

// Access points that no shipped data know, as the scenario shows them; the
// last one's owner opts it out of location services.
struct SeenAccessPoint {
  const char* mac;
  int signal;
  const char* ssid;
};
constexpr SeenAccessPoint kStationPoints[] = {
    {"02:4e:9a:10:00:01", -58, "Gare du Nord"},
    {"02:4e:9a:10:00:02", -71, "Caf\u00e9 Lumi\u00e8re"},  // not ASCII: UTF-8 on both hops
    {"02:4e:9a:10:00:03", -64, "Maison_nomap"},
};
constexpr size_t kSharedStationPoints = 2;  // all but the opted-out one

class WifiEndToEndTest : public kelvane::testing::ChainTest {
 protected:
  static constexpr int kStepMs = 200000;  // device time: 20 s of host time at scale 10

  // The three access points near the first cell, without SSIDs.
  static Json::Value CafeAccessPoints() {
    Json::Value points(Json::arrayValue);
    for (const char* mac : {"00:1a:2b:3c:4d:01", "00:1a:2b:3c:4d:02", "00:1a:2b:3c:4d:03"}) {
      Json::Value point;
      point["mac"] = mac;
      point["signal"] = -65;
      points.append(point);
    }
    return points;
  }

  // A device whose managed radio starts on or off; the first step, in the
  // first cell, sees these access points.
  void WriteDevice(bool radio_on, bool second_step, const Json::Value& access_points) {
    Json::Value profile;
    profile["timeScale"] = 10;
    profile["sim"]["imsi"] = "250011234567890";
    profile["wirelessDevices"][0]["name"] = "WLAN1";
    profile["wirelessDevices"][0]["type"] = 1;
    profile["wirelessDevices"][0]["on"] = radio_on;
    profile["adapters"][0]["name"] = "WLAN1";
    Json::Value first = ScenarioStep(second_step ? kStepMs : 10 * kStepMs, ScenarioCell(250, 1, 7712, 40031));
    first["accessPoints"] = access_points;
    profile["scenario"]["steps"].append(first);
    if (second_step) profile["scenario"]["steps"].append(ScenarioStep(10 * kStepMs, ScenarioCell(250, 1, 7712, 40032)));
    AddBridges(&profile);
    WriteProfile(profile);
  }

  // The station's access points, with their SSIDs.
  static Json::Value StationAccessPoints() {
    Json::Value points(Json::arrayValue);
    for (const SeenAccessPoint& seen : kStationPoints) {
      Json::Value point;
      point["mac"] = seen.mac;
      point["signal"] = seen.signal;
      point["ssid"] = seen.ssid;
      points.append(point);
    }
    return points;
  }

  // The device with the cafe's access points, the server on the shipped data.
  void Start(bool radio_on, bool second_step, const std::string& config) {
    WriteDevice(radio_on, second_step, CafeAccessPoints());
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

TEST_F(WifiEndToEndTest, AccessPointsOnlyTheLivingServiceKnowsGiveGpsdTheirPosition) {
  // Both far from the shipped data; the service knows the cell only coarsely,
  // so the access points' position must win over it.
  constexpr Place kUpstreamCell = {48.856613, 2.352222};
  constexpr Place kUpstreamWifi = {48.880950, 2.355330};
  FakeUpstream upstream;
  upstream.On("\"cellId\":40031", FakeUpstream::Found(kUpstreamCell.latitude, kUpstreamCell.longitude, 1200));
  upstream.On(std::string("\"macAddress\":\"") + kStationPoints[0].mac + "\"",
              FakeUpstream::Found(kUpstreamWifi.latitude, kUpstreamWifi.longitude, 30));
  std::ofstream(root() / "Program Files/Kelvane/cells.dat", std::ios::binary | std::ios::trunc);
  WriteDevice(true, false, StationAccessPoints());
  ASSERT_TRUE(StartServer({"--sources", "upstream", "--upstream", upstream.url()}));
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());

  EXPECT_TRUE(FixAt(watch, "COM5", kUpstreamWifi, 30s)) << program.Output();
  EXPECT_TRUE(FixAt(watch, "GPD0", kUpstreamWifi, 30s));

  // The service was asked for the cell too, and got the access points the
  // program saw in its own form: colons, signal, SSID, the opted-out one left out.
  bool cell_asked = false;
  Json::Value wifi_request;
  for (const FakeUpstream::Received& received : upstream.received()) {
    Json::Value body;
    std::string errors;
    std::istringstream in(received.body);
    ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &body, &errors)) << received.body;
    if (body.isMember("cellTowers")) cell_asked = true;
    if (body.isMember("wifiAccessPoints")) wifi_request = body;
  }
  EXPECT_TRUE(cell_asked);
  const Json::Value& sent = wifi_request["wifiAccessPoints"];
  ASSERT_EQ(sent.size(), kSharedStationPoints) << wifi_request.toStyledString();
  for (Json::ArrayIndex i = 0; i < kSharedStationPoints; ++i) {
    SCOPED_TRACE(kStationPoints[i].mac);
    EXPECT_EQ(sent[i]["macAddress"].asString(), kStationPoints[i].mac);
    EXPECT_EQ(sent[i]["signalStrength"].asInt(), kStationPoints[i].signal);
    EXPECT_EQ(sent[i]["ssid"].asString(), kStationPoints[i].ssid);
  }
  EXPECT_TRUE(wifi_request["considerIp"].isBool() && !wifi_request["considerIp"].asBool())
      << wifi_request.toStyledString();

  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

}  // namespace
