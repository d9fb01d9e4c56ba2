// Dial-up connections: enumeration with the device's size rules and the
// status of connections that are up or down.
#include "support/device_fixture.h"

#include <ras.h>

#include "internal/scenario.h"

#include <json/reader.h>

#include <vector>

namespace {

using kelvane::testing::DeviceTest;

class RasTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Json::Value profile;
    AddConnection(profile, "`GPRS", true);
    AddConnection(profile, "Office", false);
    WriteProfile(profile);
  }
  static void AddConnection(Json::Value& profile, const char* name, bool up) {
    Json::Value entry;
    entry["name"] = name;
    entry["up"] = up;
    profile["rasConnections"].append(entry);
  }
};

// Enumerates into a buffer of `count` records, the first with its dwSize set.
DWORD Enumerate(std::vector<RASCONN>* out, DWORD count, DWORD* bytes, DWORD* connections) {
  out->assign(count ? count : 1, RASCONN{});
  (*out)[0].dwSize = sizeof(RASCONN);
  *bytes = count * sizeof(RASCONN);
  return RasEnumConnections(out->data(), bytes, connections);
}

RASCONNSTATUS Status(HRASCONN connection, DWORD* result) {
  RASCONNSTATUS status = {};
  status.dwSize = sizeof status;
  *result = RasGetConnectStatus(connection, &status);
  return status;
}

TEST(RasLayout, RecordsHaveTheSdkMembersWithAlignedHandles) {
  EXPECT_EQ(offsetof(RASCONN, hrasconn) % alignof(HRASCONN), 0u);
  EXPECT_EQ(offsetof(RASCONN, szEntryName), offsetof(RASCONN, hrasconn) + sizeof(HRASCONN));
  EXPECT_EQ(sizeof(RASCONN) % alignof(HRASCONN), 0u);
  EXPECT_GE(sizeof(RASCONN), offsetof(RASCONN, szEntryName) + (RAS_MaxEntryName + 1) * sizeof(WCHAR));
  EXPECT_EQ(sizeof(RASCONNSTATUS),
            3 * sizeof(DWORD) + (RAS_MaxDeviceType + 1 + RAS_MaxDeviceName + 1) * sizeof(WCHAR));
}

TEST_F(RasTest, EnumeratesEveryListedConnectionWithItsName) {
  std::vector<RASCONN> conns;
  DWORD bytes = 0, count = 0;
  ASSERT_EQ(Enumerate(&conns, 20, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(bytes, 2 * sizeof(RASCONN));
  EXPECT_STREQ(conns[0].szEntryName, L"`GPRS");
  EXPECT_STREQ(conns[1].szEntryName, L"Office");
  EXPECT_EQ(conns[1].dwSize, sizeof(RASCONN));
  EXPECT_NE(conns[0].hrasconn, nullptr);
  EXPECT_NE(conns[0].hrasconn, conns[1].hrasconn);
}

TEST_F(RasTest, TooSmallBuffersGetTheRequiredSize) {
  for (DWORD records : {0u, 1u}) {
    std::vector<RASCONN> conns;
    DWORD bytes = 0, count = 0xdeadbeef;
    EXPECT_EQ(Enumerate(&conns, records, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL)) << records;
    EXPECT_EQ(bytes, 2 * sizeof(RASCONN)) << records;
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(conns.back().szEntryName[0], L'\0') << "nothing written";
  }
  DWORD bytes = 0, count = 0;
  EXPECT_EQ(RasEnumConnections(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(bytes, 2 * sizeof(RASCONN));
  bytes = sizeof(RASCONN);
  EXPECT_EQ(RasEnumConnections(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(RasTest, WrongRecordSizesAreRefused) {
  // The device's own sizes (52 and 304) are not this layout's.
  for (DWORD size : {52u, static_cast<DWORD>(sizeof(RASCONN)) - 1, static_cast<DWORD>(sizeof(RASCONN)) + 4, 0u}) {
    std::vector<RASCONN> conns(20);
    conns[0].dwSize = size;
    DWORD bytes = 20 * sizeof(RASCONN), count = 0;
    EXPECT_EQ(RasEnumConnections(conns.data(), &bytes, &count), static_cast<DWORD>(ERROR_INVALID_SIZE)) << size;
  }
  std::vector<RASCONN> conns;
  DWORD bytes = 0, count = 0;
  ASSERT_EQ(Enumerate(&conns, 20, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
  RASCONNSTATUS status = {};
  status.dwSize = 304;
  EXPECT_EQ(RasGetConnectStatus(conns[0].hrasconn, &status), static_cast<DWORD>(ERROR_INVALID_SIZE));
  EXPECT_EQ(RasGetConnectStatus(conns[0].hrasconn, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasEnumConnections(conns.data(), nullptr, &count), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(RasTest, StatusOfUpAndDownConnectionsAndUnknownHandles) {
  std::vector<RASCONN> conns;
  DWORD bytes = 0, count = 0;
  ASSERT_EQ(Enumerate(&conns, 20, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
  DWORD result = 0;
  RASCONNSTATUS up = Status(conns[0].hrasconn, &result);
  ASSERT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(up.rasconnstate, RASCS_Connected);
  EXPECT_EQ(up.dwError, 0u);
  EXPECT_STREQ(up.szDeviceType, L"modem");
  RASCONNSTATUS down = Status(conns[1].hrasconn, &result);
  ASSERT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(down.rasconnstate, RASCS_Disconnected);

  for (HRASCONN bogus : {static_cast<HRASCONN>(nullptr), reinterpret_cast<HRASCONN>(0x40),
                         reinterpret_cast<HRASCONN>(reinterpret_cast<uintptr_t>(conns[1].hrasconn) + 1)}) {
    Status(bogus, &result);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_INVALID_HANDLE)) << bogus;
  }
}

TEST_F(RasTest, NoConnectionsEnumeratesNothing) {
  WriteProfile(Json::Value(Json::objectValue));
  std::vector<RASCONN> conns;
  DWORD bytes = 0, count = 0xdeadbeef;
  ASSERT_EQ(Enumerate(&conns, 20, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(bytes, 0u);
  bytes = 0;
  EXPECT_EQ(RasEnumConnections(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(RasTest, ScenarioStepSetsTheStateOfAnEntry) {
  Json::Value profile;
  AddConnection(profile, "`GPRS", true);
  AddConnection(profile, "NameOfTwentyOneChars!", true);  // longer than RAS_MaxEntryName: left out
  profile["timeScale"] = 100;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  const std::string steps = R"([{"duration": 30000}, {"duration": 30000, "connections": {"`GPRS": false}}])";
  ASSERT_TRUE(reader->parse(steps.data(), steps.data() + steps.size(), &profile["scenario"]["steps"], &errors));
  WriteProfile(profile);

  std::vector<RASCONN> conns;
  DWORD bytes = 0, count = 0, result = 0;
  ASSERT_EQ(Enumerate(&conns, 20, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(count, 1u);
  ASSERT_EQ(kelvane::CurrentScenarioStepIndex(), 0u);
  EXPECT_EQ(Status(conns[0].hrasconn, &result).rasconnstate, RASCS_Connected);
  Sleep(30000);
  ASSERT_EQ(kelvane::CurrentScenarioStepIndex(), 1u);
  EXPECT_EQ(Status(conns[0].hrasconn, &result).rasconnstate, RASCS_Disconnected);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
