// The whole chain with real parts: the location server answers (from its
// data, or as a gateway to a living service played on loopback), the program
// positions itself from the scenario's cells, and gpsd, reading the program's
// bridged port and the GPS Intermediate Driver's port as GPS receivers,
// reports the fixes a navigation program would get.
#include "chain_fixture.h"
#include "support/fake_upstream.h"
#include "support/scenario_profile.h"
#include "support/program_runner.h"

#include <json/reader.h>

#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::FreeLoopbackPort;
using kelvane::testing::GpsdWatch;
using kelvane::testing::HostProcess;
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
    Json::Value tcp;  // NMEA over TCP on a free port, published in dev/COM5.tcp
    tcp["name"] = "COM5:";
    tcp["kind"] = "tcp";
    tcp["port"] = 0;
    profile["bridges"].append(tcp);
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

TEST_F(EndToEndTest, GpsdReadsFixesFromTheTcpBridge) {
  ASSERT_TRUE(StartServer());
  ProgramRun program(QuorvanePath(), root());
  const auto address_file = root() / "dev/COM5.tcp";
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(address_file); }, 30s)) << program.Output();
  std::string address;
  std::ifstream(address_file) >> address;
  gpsd_port_ = FreeLoopbackPort();
  gpsd_ = std::make_unique<HostProcess>(
      std::vector<std::string>{"gpsd", "-N", "-n", "-b", "-S", std::to_string(gpsd_port_), "tcp://" + address});
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());
  EXPECT_TRUE(FixAt(watch, address, kFirstCell, 30s)) << program.Output();
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

TEST_F(EndToEndTest, ACellOnlyTheLivingServiceKnowsGivesGpsdAFix) {
  constexpr Place kUpstreamPlace = {48.858370, 2.294481};  // nowhere near the shipped data's 250/1/7712/40031
  kelvane::testing::FakeUpstream upstream;
  upstream.On("\"cellId\":40031", kelvane::testing::FakeUpstream::Found(kUpstreamPlace.latitude,
                                                                       kUpstreamPlace.longitude, 800));
  std::ofstream(root() / "Program Files/Kelvane/cells.dat", std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(StartServer({"--sources", "upstream", "--upstream", upstream.url()}));
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(StartGpsd()) << program.Output();
  GpsdWatch watch(gpsd_port_);
  ASSERT_TRUE(watch.connected());

  EXPECT_TRUE(FixAt(watch, "COM5", kUpstreamPlace, 30s)) << program.Output();
  ASSERT_FALSE(upstream.received().empty());
  EXPECT_NE(upstream.received()[0].body.find("\"mobileCountryCode\":250"), std::string::npos);

  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

// The OMAP sample phone, whose cell source is the radio's table in memory,
// staying in its last step: a serving cell the location data do not know,
// with known neighbours.
Json::Value OmapPhoneAtTheUnknownCell() {
  std::ifstream in(std::string(KELVANE_SOURCE_DIR) + "/data/omap-device.json");
  Json::Value profile;
  std::string errors;
  EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &profile, &errors)) << errors;
  Json::Value step = profile["scenario"]["steps"][2];
  step["duration"] = 100000000;
  profile["scenario"]["steps"] = Json::Value(Json::arrayValue);
  profile["scenario"]["steps"].append(step);
  profile["timeScale"] = 10;
  return profile;
}

TEST_F(EndToEndTest, OnTheOmapPhoneTheMemoryScanPlacesAnUnknownCellByItsNeighbour) {
  WriteProfile(OmapPhoneAtTheUnknownCell());
  ASSERT_TRUE(StartServer());
  const auto log = [&] { return ReadHostFile("Program Files/Kelvane/log.txt"); };
  {
    ProgramRun program(QuorvanePath(), root());
    ASSERT_TRUE(StartGpsd()) << program.Output();
    GpsdWatch watch(gpsd_port_);
    ASSERT_TRUE(watch.connected());
    ASSERT_TRUE(program.Send("key 0x32"));  // the memory scan
    EXPECT_TRUE(FixAt(watch, "COM5", kFirstCell, 40s)) << program.Output();
    ASSERT_TRUE(program.Send("command 40009"));  // Help > Log > Save To File
    EXPECT_TRUE(WaitUntil(
        [&] {
          const std::string text = log();
          return text.find("found 8f3a2f15\n") != std::string::npos &&
                 text.find("m 1 250 1 7712 40031   15\n") != std::string::npos &&
                 text.find("WRN: Bad accuracy, neighbor tower is used\n") != std::string::npos;
        },
        20s))
        << log();
    program.Terminate();
    EXPECT_EQ(program.Wait(30s), 0) << program.Output();
  }
  const std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
  EXPECT_NE(config.find("MemPointer=2402955029\nMemStep=72\n"), std::string::npos) << config;
  EXPECT_NE(config.find("Mode=2\n"), std::string::npos) << config;

  // The next start confirms the stored place with one read: no scan.
  std::filesystem::remove(root() / "Program Files/Kelvane/log.txt");
  ProgramRun again(QuorvanePath(), root());
  // One read per save: a second read could meet the file while the next save rewrites it.
  std::string saved;
  EXPECT_TRUE(WaitUntil(
      [&] {
        again.Send("command 40009");
        saved = log();
        return saved.find("m 0 250 1 7713 41999   25\n") != std::string::npos;
      },
      30s))
      << saved;
  EXPECT_NE(saved.find("--- Trying MEM mode ---\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("scanning..."), std::string::npos) << saved;
  again.Terminate();
  EXPECT_EQ(again.Wait(30s), 0) << again.Output();
}

// A device without a radio interface layer whose COM3: is a host serial line
// with a modem behind it (kelvane-modem on a pseudo-terminal).
class ModemEndToEndTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    modem_ = std::make_unique<HostProcess>(std::vector<std::string>{
        std::string(KELVANE_BINARY_DIR) + "/tools/modem/kelvane-modem", "--root", root().string()});
    std::string path;
    ASSERT_TRUE(modem_->ReadLine(&path, 10000));
    Json::Value profile;
    profile["timeScale"] = 10;
    profile["missingModules"].append("ril.dll");
    profile["scenario"]["steps"].append(ScenarioStep(100 * kStepMs, ScenarioCell(250, 1, 7712, 40031)));
    profile["ports"]["COM3:"]["kind"] = "tty";
    profile["ports"]["COM3:"]["path"] = path;
    profile["bridges"].append("COM5:");
    profile["bridges"].append("GPD0:");
    profile["gpsIntermediateDriver"]["port"] = "GPD0:";
    WriteProfile(profile);
  }
  void SetMode(const std::string& mode) {
    std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
    const size_t at = config.find("Mode=");
    if (at != std::string::npos) config.erase(at, config.find('\n', at) + 1 - at);
    std::ofstream(root() / "Program Files/Kelvane/config.ini") << config << "Mode=" << mode << "\n";
  }
  std::string LogFile() { return ReadHostFile("Program Files/Kelvane/log.txt"); }
  std::unique_ptr<HostProcess> modem_;
};

TEST_F(ModemEndToEndTest, KeyThreeReadsTheModemAndTheNextStartTriesItsPortFirst) {
  ASSERT_TRUE(StartServer());
  SetMode("0");
  {
    ProgramRun program(QuorvanePath(), root());
    ASSERT_TRUE(StartGpsd()) << program.Output();
    GpsdWatch watch(gpsd_port_);
    ASSERT_TRUE(watch.connected());
    ASSERT_TRUE(program.Send("key 0x33")) << program.Output();
    EXPECT_TRUE(FixAt(watch, "COM5", kFirstCell, 60s)) << program.Output();
    program.Terminate();
    ASSERT_EQ(program.Wait(30s), 0) << program.Output();
  }
  const std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
  EXPECT_NE(config.find("ModemPort=COM3:\n"), std::string::npos) << config;
  EXPECT_NE(config.find("Mode=3\n"), std::string::npos) << config;

  // Configured for the memory scan, which this device cannot do, and without
  // a radio interface layer: the worker falls back to the modem, whose port
  // it now tries before any other.
  SetMode("2");
  ProgramRun program(QuorvanePath(), root());
  // The log is read once per save: a second read could meet the file while
  // the next save rewrites it.
  std::string log;
  const bool read = WaitUntil(
      [&] {
        if (!program.Send("command 40009")) return false;
        log = LogFile();
        return log.find("\na 250 1 7712 40031 ") != std::string::npos;
      },
      60s);
  ASSERT_TRUE(read) << log;
  const size_t mem = log.find("--- Trying MEM mode ---\n");
  const size_t ril = log.find("--- Trying RIL mode ---\n");
  const size_t at = log.find("--- Trying AT mode ---\n");
  ASSERT_NE(mem, std::string::npos) << log;
  ASSERT_NE(ril, std::string::npos) << log;
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_LT(mem, ril);
  EXPECT_LT(ril, at);
  const std::string tried_first = "--- Trying AT mode ---\nCOM3: is OK\n";
  EXPECT_EQ(log.compare(at, tried_first.size(), tried_first), 0) << log;
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

}  // namespace
