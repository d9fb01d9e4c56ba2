// The service in other device processes: it ends with its process, and the
// host link passes from one process to the next.
#include "gpsid/gpsid_fixture.h"
#include "gpsid/host_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using kelvane::testing::GpsidTest;
using kelvane::testing::HostReadUntil;
using kelvane::testing::kBurst;
using kelvane::testing::OfferedBurst;
using kelvane::testing::OpenLink;
using kelvane::testing::WaitForLink;

class GpsidProcessTest : public GpsidTest {
 protected:
  void SetUp() override {
    GpsidTest::SetUp();
    Json::Value profile;
    profile["bridges"].append("GPD0:");
    SetUpDevice(profile);
    setenv("KELVANE_DEVICE_ROOT", root().c_str(), 1);
    RegisterFileDriver();
    WriteDeviceFile(L"\\windows\\gpsfile.dat", kBurst);
  }
  // The helper in `mode`, stopped if it has not ended after 30 host seconds
  // (a hang is a failure, not a slow run); popen's `type`.
  static FILE* StartHelper(const char* mode, const char* type) {
    return popen((std::string("timeout 30 '") + GPSID_HELPER + "' " + mode).c_str(), type);
  }
  static int ExitStatus(FILE* helper) {
    const int status = pclose(helper);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::filesystem::path Link() const { return root() / "dev" / "GPD0"; }
};

TEST_F(GpsidProcessTest, TheServiceEndsWithItsProcessAndTakesItsLinkAlong) {
  FILE* helper = StartHelper("read", "r");
  ASSERT_NE(helper, nullptr);
  char line[256] = "";
  const bool got_line = std::fgets(line, sizeof(line), helper) != nullptr;
  EXPECT_EQ(ExitStatus(helper), 0);
  ASSERT_TRUE(got_line);
  EXPECT_NE(OfferedBurst().find(std::string(line, std::strlen(line) - 1) + "\r\n"), std::string::npos) << line;
  EXPECT_FALSE(std::filesystem::is_symlink(Link()));
  // The lock of the link's owner went with it.
  const int lock = open((root() / "gpsid.lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(lock, 0);
  EXPECT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
  close(lock);
}

TEST_F(GpsidProcessTest, OneProcessAtATimeRelaysThePortAndTheNextTakesOver) {
  FILE* helper = StartHelper("hold", "w");
  ASSERT_NE(helper, nullptr);
  const std::string helpers_pty = WaitForLink(Link(), 10);
  ASSERT_NE(helpers_pty, "");
  // This process serves its own programs but leaves the link to the helper.
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_NE(ReadFor(port, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  EXPECT_EQ(WaitForLink(Link(), 1), helpers_pty);

  // The helper's link goes as it exits; this process's service makes its own.
  EXPECT_EQ(ExitStatus(helper), 0);
  ASSERT_NE(WaitForLink(Link(), 10), "");
  const int host = OpenLink(Link());
  ASSERT_GE(host, 0);
  EXPECT_NE(HostReadUntil(host, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  close(host);
  CloseHandle(port);
}

}  // namespace
