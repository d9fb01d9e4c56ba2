// The scan on an emulated device: what counts as a change, the radio rules,
// and a device that cannot scan.
#include <windows.h>

#include "core/app_state.h"
#include "lookup_fixture.h"
#include "settings/message_list.h"
#include "wifi/wifi_radio.h"
#include "wifi/wifi_scanner.h"
#include "wifi_profile.h"

namespace kelvane::testing {
namespace {

class WifiScanTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    TheWifiScanner().ClearList();
    SetWifiEnabled(1);
  }
  void See(const Json::Value& points, bool radio_on = true) { UseProfile(WifiProfile(points, radio_on)); }
  WifiScanner& scanner() { return TheWifiScanner(); }
};

TEST_F(WifiScanTest, OnlyANewIdentityOrOrderIsAChange) {
  Json::Value points;
  points.append(SeenPoint(1, -61, "Home"));
  points.append(SeenPoint(2, -70));
  See(points);
  EXPECT_EQ(scanner().Scan(), 0);
  ASSERT_EQ(scanner().List().size(), 2u);
  EXPECT_EQ(scanner().List()[0].mac_address, L"00-1a-2b-3c-4d-01");
  EXPECT_EQ(scanner().List()[0].ssid, L"Home");
  EXPECT_EQ(scanner().Scan(), -1);

  points[0]["signal"] = -40;
  See(points);
  EXPECT_EQ(scanner().Scan(), -1);
  EXPECT_EQ(scanner().List()[0].signal_strength, -61);  // the stored list keeps its strengths

  Json::Value swapped;
  swapped.append(points[1]);
  swapped.append(points[0]);
  See(swapped);
  EXPECT_EQ(scanner().Scan(), 0);
  EXPECT_EQ(scanner().List()[0].mac_address, L"00-1a-2b-3c-4d-02");

  scanner().ClearList();
  EXPECT_EQ(scanner().Scan(), 0);

  // None left in range: a change to an empty list, once.
  See(Json::Value());
  EXPECT_EQ(scanner().Scan(), 0);
  EXPECT_TRUE(scanner().List().empty());
  EXPECT_EQ(scanner().Scan(), -1);
}

TEST_F(WifiScanTest, SsidBytesThatAreNotUtf8GiveAnEmptySsid) {
  Json::Value points;
  points.append(SeenPoint(1, -61));
  points[0]["ssidHex"] = "c328";
  See(points);
  ASSERT_EQ(scanner().Scan(), 0);
  ASSERT_EQ(scanner().List().size(), 1u);
  EXPECT_EQ(scanner().List()[0].ssid, L"");
  EXPECT_TRUE(LogHas(L"00-1a-2b-3c-4d-01  -61"));
}

TEST_F(WifiScanTest, TheRadioIsSwitchedOnOnlyWhenWiFiOnAsks) {
  Json::Value points;
  points.append(SeenPoint(1, -61));
  See(points, false);
  SetWifiEnabled(0);
  // The radio stays off and its adapter sees nothing.
  EXPECT_EQ(scanner().Scan(), -1);
  EXPECT_TRUE(scanner().List().empty());
  DWORD state = 7;
  WifiRadio radio;
  ASSERT_EQ(radio.QueryRadioState(&state), 0);
  EXPECT_EQ(state, 0u);

  SetWifiEnabled(1);
  EXPECT_EQ(scanner().Scan(), 0);
  EXPECT_EQ(scanner().List().size(), 1u);
  ASSERT_EQ(radio.QueryRadioState(&state), 0);
  EXPECT_EQ(state, 1u);
  // The switch was saved on the device.
  EXPECT_EQ(ReadHostFile("wireless-state"), "WLAN1 1\n");
}

TEST_F(WifiScanTest, OnlyTheManagedRadioIsSwitched) {
  Json::Value profile = WifiProfile(Json::Value());
  profile["wirelessDevices"][0]["type"] = 3;  // Bluetooth, off
  profile["wirelessDevices"][0]["on"] = false;
  UseProfile(profile);
  WifiRadio radio;
  DWORD state = 7;
  ASSERT_EQ(radio.QueryRadioState(&state), 0);
  EXPECT_EQ(state, 7u);  // no managed radio: the state is not set
  radio.EnsureRadioOn();
  EXPECT_EQ(ReadHostFile("wireless-state"), "");
}

TEST_F(WifiScanTest, AMissingRadioLibraryOrEntryPointIsLoggedAndScanningGoesOn) {
  Json::Value points;
  points.append(SeenPoint(1, -61));
  Json::Value profile = WifiProfile(points, false);
  profile["missingExports"]["ossvcs.dll"].append("ChangeRadioState");
  UseProfile(profile);
  {
    WifiRadio radio;
    EXPECT_TRUE(LogHas(L"ERR: ChangeRadioState GetProcAddress"));
    EXPECT_FALSE(LogHas(L"ERR: GetWirelessDevices GetProcAddress"));
    radio.EnsureRadioOn();
    EXPECT_EQ(ReadHostFile("wireless-state"), "");
  }
  profile["missingModules"].append("ossvcs.dll");
  UseProfile(profile);
  DiagnosticLog().Clear();
  WifiRadio radio;
  DWORD state = 7;
  EXPECT_EQ(radio.QueryRadioState(&state), -1);
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"ERR: Load ossvcs.dll failed"});
}

}  // namespace
}  // namespace kelvane::testing
