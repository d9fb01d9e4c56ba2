// The GPS port relayed to a host pseudo-terminal from the start of the
// service, for gpsd.
#include "gpsid/gpsid_fixture.h"
#include "gpsid/host_link.h"

#include "gpsid/gps_intermediate_driver.h"

#include <unistd.h>

namespace {

using kelvane::testing::GpsidTest;
using kelvane::testing::HostReadUntil;
using kelvane::testing::kBurst;
using kelvane::testing::OfferedBurst;
using kelvane::testing::OpenLink;
using kelvane::testing::WaitForLink;

class GpsidBridgeTest : public GpsidTest {
 protected:
  void SetUp() override {
    GpsidTest::SetUp();
    Json::Value profile;
    profile["bridges"].append("GPD0:");
    SetUpDevice(profile);
    RegisterFileDriver();
    WriteDeviceFile(L"\\windows\\gpsfile.dat", kBurst);
  }
  // Any use of a device name builds the device manager's table of names, and
  // with it the service; no program opens the GPS port.
  static void UseADeviceName() {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateFileW(L"COM9:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  std::filesystem::path Link() const { return root() / "dev" / "GPD0"; }
};

TEST_F(GpsidBridgeTest, TheHostReadsTheLinesBeforeAnyProgramOpensThePort) {
  UseADeviceName();
  ASSERT_NE(WaitForLink(Link(), 10), "");
  const int host = OpenLink(Link());
  ASSERT_GE(host, 0);
  // gpsd's probe goes nowhere and holds nothing up.
  ASSERT_EQ(write(host, "?WATCH;\r\n", 9), 9);
  const std::string got = HostReadUntil(host, OfferedBurst());
  EXPECT_NE(got.find(OfferedBurst()), std::string::npos) << got;
  close(host);
}

TEST_F(GpsidBridgeTest, AProgramAndTheHostReadTogetherAndTheLinkGoesWithTheService) {
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_NE(WaitForLink(Link(), 10), "");
  const int host = OpenLink(Link());
  ASSERT_GE(host, 0);
  EXPECT_NE(HostReadUntil(host, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  EXPECT_NE(ReadFor(port, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  close(host);
  kelvane::StopGpsIntermediateDriver();
  EXPECT_FALSE(std::filesystem::is_symlink(Link()));
  CloseHandle(port);
}

}  // namespace
