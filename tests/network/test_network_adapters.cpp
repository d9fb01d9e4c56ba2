// GetAdaptersInfo's size protocol and the UIO1: BSSID list query, with the
// last errors the platform gives.
#include "support/device_fixture.h"
#include "../wifi/wifi_profile.h"

#include <windows.h>
#include <iphlpapi.h>
#include <nuiouser.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::SeenPoint;
using kelvane::testing::WifiProfile;

constexpr DWORD kSentinel = 0xDEADBEEF;

class NetworkAdaptersTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Json::Value points;
    points.append(SeenPoint(0x5e, -61));
    points[0]["ssidHex"] = "c328";
    points.append(SeenPoint(0x5f, -90, "Station"));
    points[1]["mac"] = "00-1a-2b-3c-4d-5f";
    Json::Value profile = WifiProfile(points);
    profile["adapters"][1]["description"] = "Wireless LAN";
    profile_ = profile;
    WriteProfile(profile);
  }
  // The query as the program sends it; returns the reply's byte count or 0
  // (last error set).
  DWORD Query(HANDLE device, const WCHAR* adapter, std::vector<BYTE>* reply, DWORD reply_size = 8192,
              NDIS_OID oid = OID_802_11_BSSID_LIST) {
    reply->assign(reply_size, 0xCC);
    NDISUIO_QUERY_OID query = {};
    query.Oid = oid;
    query.ptcDeviceName = adapter;
    std::memcpy(reply->data(), &query, sizeof query);
    DWORD returned = kSentinel;
    if (!DeviceIoControl(device, IOCTL_NDISUIO_QUERY_OID_VALUE, reply->data(), sizeof query, reply->data(),
                         reply_size, &returned, nullptr))
      return 0;
    return returned;
  }
  Json::Value profile_;
};

TEST_F(NetworkAdaptersTest, GetAdaptersInfoAnswersTheSizeFirst) {
  EXPECT_EQ(IOCTL_NDISUIO_QUERY_OID_VALUE, 0x00120804u);
  ULONG size = 0;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, 2 * sizeof(IP_ADAPTER_INFO));
  std::vector<BYTE> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  ULONG short_size = size - 1;
  EXPECT_EQ(GetAdaptersInfo(adapters, &short_size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(short_size, size);
  ASSERT_EQ(GetAdaptersInfo(adapters, &size), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_STREQ(adapters->AdapterName, "USB1");
  EXPECT_EQ(adapters->Type, static_cast<UINT>(MIB_IF_TYPE_ETHERNET));
  ASSERT_NE(adapters->Next, nullptr);
  EXPECT_STREQ(adapters->Next->AdapterName, "WLAN1");
  EXPECT_STREQ(adapters->Next->Description, "Wireless LAN");
  EXPECT_EQ(adapters->Next->Type, static_cast<UINT>(IF_TYPE_IEEE80211));
  EXPECT_EQ(adapters->Next->Next, nullptr);
  EXPECT_EQ(GetAdaptersInfo(adapters, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  profile_["adapters"] = Json::Value(Json::arrayValue);
  WriteProfile(profile_);
  EXPECT_EQ(GetAdaptersInfo(adapters, &size), static_cast<DWORD>(ERROR_NO_DATA));
}

TEST_F(NetworkAdaptersTest, Uio1AnswersTheBssidListInThePlatformsLayout) {
  HANDLE device = CreateFileW(L"UIO1:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 1, nullptr);
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  std::vector<BYTE> reply;
  const DWORD returned = Query(device, L"WLAN1", &reply);
  const size_t data = offsetof(NDISUIO_QUERY_OID, Data);
  ASSERT_EQ(returned, data + 4 + 2 * 104);
  const BYTE* list = reply.data() + data;
  ULONG count, length;
  LONG rssi;
  std::memcpy(&count, list, 4);
  std::memcpy(&length, list + 4, 4);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(length, 104u);
  const BYTE mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(std::memcmp(list + 4 + 4, mac, 6), 0);
  std::memcpy(&length, list + 4 + 12, 4);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(std::memcmp(list + 4 + 16, "\xc3\x28", 2), 0);
  std::memcpy(&rssi, list + 4 + 104 + 52, 4);
  EXPECT_EQ(rssi, -90);
  EXPECT_EQ(std::memcmp(list + 4 + 104 + 16, "Station", 7), 0);

  // The radio switched off: the adapter sees nothing.
  profile_["wirelessDevices"][0]["on"] = false;
  WriteProfile(profile_);
  ASSERT_EQ(Query(device, L"WLAN1", &reply), data + 4);
  std::memcpy(&count, reply.data() + data, 4);
  EXPECT_EQ(count, 0u);
  CloseHandle(device);
}

TEST_F(NetworkAdaptersTest, Uio1RefusesWhatItCannotAnswer) {
  HANDLE device = CreateFileW(L"UIO1:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 1, nullptr);
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  std::vector<BYTE> reply;
  struct Case {
    const WCHAR* adapter;
    DWORD reply_size;
    NDIS_OID oid;
    DWORD error;
  } cases[] = {
      {L"USB1", 8192, OID_802_11_BSSID_LIST, ERROR_NOT_SUPPORTED},  // not an 802.11 adapter
      {L"WLAN1", 8192, 0x0D010101, ERROR_NOT_SUPPORTED},            // another object
      {L"WLAN9", 8192, OID_802_11_BSSID_LIST, ERROR_FILE_NOT_FOUND},
      {nullptr, 8192, OID_802_11_BSSID_LIST, ERROR_INVALID_PARAMETER},
      {L"WLAN1", 100, OID_802_11_BSSID_LIST, ERROR_INSUFFICIENT_BUFFER},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(Query(device, c.adapter, &reply, c.reply_size, c.oid), 0u) << c.error;
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kSentinel);
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(device, IOCTL_NDISUIO_QUERY_OID_VALUE, reply.data(), 4, reply.data(), 8192,
                               &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(device);
}

class NoAdaptersTest : public kelvane::testing::DeviceTest {};

TEST_F(NoAdaptersTest, ADeviceWithoutAdaptersHasNoUio1) {
  SetLastError(kSentinel);
  EXPECT_EQ(CreateFileW(L"UIO1:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 1, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_NE(GetLastError(), kSentinel);
  ULONG size = 0;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
}

}  // namespace
