// The Connection Manager's modes on device time, its argument checks and the
// log of requests and releases in the device root.
#include <connmgr.h>

#include "support/device_fixture.h"

#include <cstddef>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

// The device's layout up to the destination; the pointer-sized members after
// it make the host's structure 80 bytes where the device's is 64.
static_assert(offsetof(CONNMGR_CONNECTIONINFO, guidDestNet) == 24, "CONNMGR_CONNECTIONINFO");
static_assert(sizeof(CONNMGR_CONNECTIONINFO) == 80, "CONNMGR_CONNECTIONINFO on the host");

using kelvane::testing::DeviceTest;

class ConnectionManagerTest : public DeviceTest {
 protected:
  void UseMode(const char* mode, int delay_ms = 0, double time_scale = 1) {
    Json::Value profile;
    profile["timeScale"] = time_scale;
    profile["connectionManager"]["mode"] = mode;
    profile["connectionManager"]["delayMs"] = delay_ms;
    WriteProfile(profile);
  }
  // The request the program makes for the Internet.
  static CONNMGR_CONNECTIONINFO InternetRequest(DWORD size = sizeof(CONNMGR_CONNECTIONINFO)) {
    CONNMGR_CONNECTIONINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = size;
    info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
    info.dwFlags = CONNMGR_FLAG_PROXY_HTTP;
    info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
    info.guidDestNet = IID_DestNetInternet;
    return info;
  }
  static DWORD Status(HANDLE connection) {
    DWORD status = 0x20;
    EXPECT_EQ(ConnMgrConnectionStatus(connection, &status), S_OK);
    return status;
  }
  std::vector<std::string> LogLines() const {
    std::istringstream in(ReadHostFile("connmgr.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(ConnectionManagerTest, ConnectedModeIsUpAtOnceAndTheReleaseIsLoggedWithItsCaching) {
  CONNMGR_CONNECTIONINFO info = InternetRequest();
  HANDLE connection = nullptr;
  ASSERT_EQ(ConnMgrEstablishConnection(&info, &connection), S_OK);
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(Status(connection), static_cast<DWORD>(CONNMGR_STATUS_CONNECTED));
  EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), S_OK);

  // A released handle is gone.
  DWORD status = 0x20;
  EXPECT_EQ(ConnMgrConnectionStatus(connection, &status), E_INVALIDARG);
  EXPECT_EQ(status, 0x20u);
  EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), E_INVALIDARG);

  const std::string id = std::to_string(reinterpret_cast<uintptr_t>(connection));
  const std::vector<std::string> expected = {
      "establish " + id + " dest={436EF144-B4FB-4863-A041-8F905A62C572} flags=0x1 priority=0x8000",
      "release " + id + " cache=1"};
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(ConnectionManagerTest, DelayedModeWaitsForItsDelayOnDeviceTime) {
  UseMode("delayed", 2000, 50);
  CONNMGR_CONNECTIONINFO info = InternetRequest();
  HANDLE connection = nullptr;
  const DWORD start = GetTickCount();
  ASSERT_EQ(ConnMgrEstablishConnection(&info, &connection), S_OK);
  EXPECT_EQ(Status(connection), static_cast<DWORD>(CONNMGR_STATUS_WAITINGCONNECTION));
  DWORD status = CONNMGR_STATUS_WAITINGCONNECTION;
  while (status == CONNMGR_STATUS_WAITINGCONNECTION && GetTickCount() - start < 10000) {
    Sleep(50);
    status = Status(connection);
  }
  const DWORD waited = GetTickCount() - start;
  EXPECT_EQ(status, static_cast<DWORD>(CONNMGR_STATUS_CONNECTED));
  EXPECT_GE(waited, 2000u);
  EXPECT_LT(waited, 10000u);
  ConnMgrReleaseConnection(connection, 0);
  EXPECT_EQ(LogLines().back(), "release " + std::to_string(reinterpret_cast<uintptr_t>(connection)) + " cache=0");
}

TEST_F(ConnectionManagerTest, NeverModeKeepsWaitingAndRefusedModeFailsTheRequest) {
  UseMode("never", 0, 100);
  CONNMGR_CONNECTIONINFO info = InternetRequest();
  HANDLE connection = nullptr;
  ASSERT_EQ(ConnMgrEstablishConnection(&info, &connection), S_OK);
  Sleep(8000);
  EXPECT_EQ(Status(connection), static_cast<DWORD>(CONNMGR_STATUS_WAITINGCONNECTION));
  EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), S_OK);

  UseMode("refused");
  HANDLE refused = reinterpret_cast<HANDLE>(0x77);
  EXPECT_EQ(ConnMgrEstablishConnection(&info, &refused), E_FAIL);
  EXPECT_EQ(refused, reinterpret_cast<HANDLE>(0x77));
  EXPECT_EQ(LogLines().back(), "refuse dest={436EF144-B4FB-4863-A041-8F905A62C572} flags=0x1 priority=0x8000");
}

TEST_F(ConnectionManagerTest, RequestsAreCheckedAndTheDeviceSizeIsAccepted) {
  HANDLE connection = nullptr;
  CONNMGR_CONNECTIONINFO device_size = InternetRequest(64);
  ASSERT_EQ(ConnMgrEstablishConnection(&device_size, &connection), S_OK);
  EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), S_OK);

  CONNMGR_CONNECTIONINFO wrong_size = InternetRequest(60);
  CONNMGR_CONNECTIONINFO info = InternetRequest();
  EXPECT_EQ(ConnMgrEstablishConnection(&wrong_size, &connection), E_INVALIDARG);
  EXPECT_EQ(ConnMgrEstablishConnection(nullptr, &connection), E_INVALIDARG);
  EXPECT_EQ(ConnMgrEstablishConnection(&info, nullptr), E_INVALIDARG);
  EXPECT_EQ(ConnMgrConnectionStatus(reinterpret_cast<HANDLE>(0x4242), nullptr), E_INVALIDARG);
  DWORD status;
  EXPECT_EQ(ConnMgrConnectionStatus(reinterpret_cast<HANDLE>(0x4242), &status), E_INVALIDARG);

  // Without a destination the request is still made; the log says so.
  info.dwParams = 0;
  ASSERT_EQ(ConnMgrEstablishConnection(&info, &connection), S_OK);
  EXPECT_NE(LogLines().back().find("dest=none"), std::string::npos);
  ConnMgrReleaseConnection(connection, 1);
}

}  // namespace
