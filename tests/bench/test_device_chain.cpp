// The chain the figures are measured on: each milestone comes from the port
// it names and in the order the chain makes them, and everything stops.
#include "device_chain.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace {

using namespace std::chrono_literals;
using kelvane::bench::DefaultDeviceProfile;
using kelvane::bench::DeviceChain;
using kelvane::bench::FirstFix;
using kelvane::bench::kDriverPort;
using kelvane::bench::kProgramPort;

TEST(DeviceChainTest, MilestonesComeInTheirOrderFromEachPortAndTheChainStopsCleanly) {
  Json::Value profile = DefaultDeviceProfile();
  ASSERT_TRUE(profile.isMember("scenario"));
  profile["timeScale"] = 10;
  DeviceChain chain(profile);
  std::string why;
  ASSERT_TRUE(chain.Ready(&why)) << why;

  const FirstFix fix = chain.StartProgram(60s);
  ASSERT_TRUE(fix.failure.empty()) << fix.failure << chain.ProgramOutput();
  ASSERT_TRUE(fix.position_known);
  for (auto port : {kProgramPort, kDriverPort}) {
    ASSERT_TRUE(fix.ports[port].gpsd_ready && fix.ports[port].fix) << port;
    EXPECT_LT(*fix.ports[port].gpsd_ready, *fix.ports[port].fix) << port;
    EXPECT_LT(*fix.position_known, *fix.ports[port].fix) << port;
  }
  // One gpsd per port.
  const pid_t port_reader = chain.gpsd_pid(kProgramPort);
  const pid_t driver_reader = chain.gpsd_pid(kDriverPort);
  EXPECT_GT(port_reader, 0);
  EXPECT_GT(driver_reader, 0);
  EXPECT_NE(port_reader, driver_reader);

  // The first cell's step lasts 6 s of host time here: one place.
  const DeviceChain::Fixes fixes = chain.WatchFixes(2s);
  EXPECT_GT(fixes.reports, 0);
  EXPECT_EQ(fixes.places, 1);

  const pid_t program = chain.program_pid();
  EXPECT_EQ(chain.StopProgram(), 0) << chain.ProgramOutput();
  EXPECT_EQ(chain.gpsd_pid(kProgramPort), -1);
  EXPECT_NE(kill(port_reader, 0), 0);  // reaped
  EXPECT_NE(kill(program, 0), 0);
}

TEST(DeviceChainTest, AMissingTowerCacheIsReportedBeforeAnythingStarts) {
  DeviceChain chain(DefaultDeviceProfile(), "/nonexistent/cells.dat");
  std::string why;
  EXPECT_FALSE(chain.Ready(&why));
  EXPECT_NE(why.find("/nonexistent/cells.dat"), std::string::npos) << why;
}

}  // namespace
