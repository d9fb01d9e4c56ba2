// ossvcs.dll: the wireless device list, radio switching that persists, and
// the list's release.
#include "support/device_fixture.h"

#include <windows.h>
#include <wrlspwr.h>

#include "internal/wireless_devices.h"

namespace {

using kelvane::testing::DeviceTest;

class OssvcsTest : public DeviceTest {
 protected:
  void Load(const Json::Value& devices) {
    Json::Value profile;
    profile["wirelessDevices"] = devices;
    WriteProfile(profile);
    library_ = LoadLibraryW(L"ossvcs.dll");
    ASSERT_NE(library_, nullptr);
    get_ = reinterpret_cast<GETWIRELESSDEVICES>(GetProcAddressW(library_, MAKEINTRESOURCEW(276)));
    change_ = reinterpret_cast<CHANGERADIOSTATE>(GetProcAddressW(library_, MAKEINTRESOURCEW(273)));
    free_ = reinterpret_cast<FREEDEVICELIST>(GetProcAddressW(library_, MAKEINTRESOURCEW(280)));
    ASSERT_TRUE(get_ && change_ && free_);
  }
  void TearDown() override {
    if (library_) FreeLibrary(library_);
    DeviceTest::TearDown();
  }
  static Json::Value Device(const char* name, int type, bool on) {
    Json::Value d;
    d["name"] = name;
    d["type"] = type;
    d["on"] = on;
    return d;
  }

  HMODULE library_ = nullptr;
  GETWIRELESSDEVICES get_ = nullptr;
  CHANGERADIOSTATE change_ = nullptr;
  FREEDEVICELIST free_ = nullptr;
};

TEST_F(OssvcsTest, ListsTheProfilesDevicesInOrderAndSwitchesOneForGood) {
  Json::Value devices;
  devices.append(Device("Phone", 2, true));
  devices.append(Device("WLAN1", 1, false));
  Load(devices);
  RDD* list = nullptr;
  ASSERT_EQ(get_(&list, 0), S_OK);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->pszDeviceName, L"Phone");
  EXPECT_EQ(list->DeviceType, RADIODEVICES_PHONE);
  RDD* wifi = list->pNext;
  ASSERT_NE(wifi, nullptr);
  EXPECT_EQ(wifi->DeviceType, RADIODEVICES_MANAGED);
  EXPECT_EQ(wifi->dwState, 0u);
  EXPECT_EQ(wifi->pNext, nullptr);

  EXPECT_EQ(change_(wifi, 1, RADIODEVICES_PRE_SAVE), S_OK);
  EXPECT_EQ(change_(wifi, 2, RADIODEVICES_PRE_SAVE), E_INVALIDARG);
  EXPECT_EQ(free_(list), S_OK);
  EXPECT_EQ(free_(list), E_INVALIDARG);  // given back already

  // A new list, and the device's own view, show the saved state.
  ASSERT_EQ(get_(&list, 0), S_OK);
  EXPECT_EQ(list->pNext->dwState, 1u);
  EXPECT_EQ(list->dwState, 1u);
  EXPECT_EQ(free_(list), S_OK);
  EXPECT_TRUE(kelvane::WirelessDevices()[1].on);
}

TEST_F(OssvcsTest, ADeviceWithoutRadiosAnswersAnEmptyList) {
  Load(Json::Value(Json::arrayValue));
  RDD* list = reinterpret_cast<RDD*>(1);
  EXPECT_EQ(get_(&list, 0), S_OK);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(get_(nullptr, 0), E_INVALIDARG);
  // A description the device does not know cannot be switched.
  RDD stranger = {L"WLAN9", L"WLAN9", 0, 0, RADIODEVICES_MANAGED, nullptr};
  EXPECT_EQ(change_(&stranger, 1, RADIODEVICES_PRE_SAVE), E_FAIL);
  EXPECT_EQ(stranger.dwState, 0u);
}

TEST_F(OssvcsTest, TheProfileCanTakeTheLibraryAway) {
  Json::Value profile;
  profile["missingModules"].append("ossvcs.dll");
  WriteProfile(profile);
  SetLastError(0xDEAD);
  EXPECT_EQ(LoadLibraryW(L"ossvcs.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
