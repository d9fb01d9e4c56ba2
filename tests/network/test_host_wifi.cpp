// The host's Wi-Fi over nl80211: scan-result messages built in memory, and a
// host interface that does not exist.
#include "support/device_fixture.h"
#include "support/scan_result_message.h"

#include "internal/host_wifi.h"

#include <cstring>
#include <vector>

namespace {

using kelvane::SeenAccessPoint;
using kelvane::testing::ParseScanResultBytes;
using kelvane::testing::ScanResultMessage;
using kelvane::testing::ScanResultParts;
using kelvane::testing::SsidElement;

TEST(HostWifiTest, AScanResultGivesBssidSignalInDbmAndSsid) {
  ScanResultParts parts;
  parts.elements = std::string("\x01\x02\x82\x84", 4) + SsidElement("Home Net");
  SeenAccessPoint point;
  ASSERT_TRUE(ParseScanResultBytes(ScanResultMessage(parts), &point));
  EXPECT_EQ(std::memcmp(point.mac, "\x00\x1a\x2b\x3c\x4d\x5e", 6), 0);
  EXPECT_EQ(point.rssi, -61);
  EXPECT_EQ(point.ssid, "Home Net");

  // Only a beacon's elements: the SSID comes from there.
  parts.elements.clear();
  parts.beacon_elements = SsidElement("Beacon");
  parts.signal_mbm = -4550;
  ASSERT_TRUE(ParseScanResultBytes(ScanResultMessage(parts), &point));
  EXPECT_EQ(point.ssid, "Beacon");
  EXPECT_EQ(point.rssi, -45);
}

TEST(HostWifiTest, DamagedPartsAreLeftOutOrRefused) {
  ScanResultParts parts;
  // An SSID element that claims more bytes than the chain holds.
  parts.elements = std::string("\x00\x20Home", 6);
  parts.with_signal = false;
  SeenAccessPoint point;
  ASSERT_TRUE(ParseScanResultBytes(ScanResultMessage(parts), &point));
  EXPECT_EQ(point.ssid, "");
  EXPECT_EQ(point.rssi, 0);
  // An SSID longer than 32 bytes.
  parts.elements = SsidElement(std::string(33, 'x'));
  ASSERT_TRUE(ParseScanResultBytes(ScanResultMessage(parts), &point));
  EXPECT_EQ(point.ssid, "");

  parts.bssid = "\x01\x02\x03";  // not six bytes
  EXPECT_FALSE(ParseScanResultBytes(ScanResultMessage(parts), &point));
  parts.bssid.clear();
  EXPECT_FALSE(ParseScanResultBytes(ScanResultMessage(parts), &point));
}

TEST(HostWifiTest, SsidElementSearchStaysInsideTheChain) {
  std::string ssid;
  const std::string chain = std::string("\x03\x01\x06", 3) + SsidElement("A");
  EXPECT_TRUE(kelvane::SsidOfElements(reinterpret_cast<const uint8_t*>(chain.data()), chain.size(), &ssid));
  EXPECT_EQ(ssid, "A");
  ssid = "stale";
  EXPECT_FALSE(kelvane::SsidOfElements(reinterpret_cast<const uint8_t*>(chain.data()), 4, &ssid));
  EXPECT_FALSE(kelvane::SsidOfElements(reinterpret_cast<const uint8_t*>(chain.data()), 1, &ssid));
  EXPECT_EQ(ssid, "stale");
}

TEST(HostWifiTest, AnInterfaceTheHostLacksSeesNothingAndSaysSoOnce) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(kelvane::HostAccessPoints("kelvane-none0").empty());
  EXPECT_TRUE(kelvane::HostAccessPoints("kelvane-none0").empty());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "device: host Wi-Fi \"kelvane-none0\": no such interface on this host; its adapter sees no access "
                  "points\n");
}

class HostWifiAdapterTest : public kelvane::testing::DeviceTest {};

TEST_F(HostWifiAdapterTest, AnAdapterOnAMissingHostInterfaceSeesNothing) {
  Json::Value profile;
  profile["adapters"][0]["name"] = "WLAN1";
  profile["adapters"][0]["hostInterface"] = "kelvane-none0";
  Json::Value step;
  step["duration"] = 1000000;
  step["accessPoints"][0]["mac"] = "00:1a:2b:3c:4d:5e";  // the scenario's are not the host's
  step["accessPoints"][0]["signal"] = -61;
  profile["scenario"]["steps"].append(step);
  WriteProfile(profile);
  testing::internal::CaptureStderr();
  const std::vector<kelvane::NetworkAdapter> adapters = kelvane::NetworkAdapters();
  ASSERT_EQ(adapters.size(), 1u);
  EXPECT_TRUE(kelvane::AccessPointsSeenBy(adapters[0]).empty());
  EXPECT_NE(testing::internal::GetCapturedStderr().find("\"kelvane-none0\": no such interface"), std::string::npos);
  // Without the host interface the scenario's access point is seen.
  profile["adapters"][0].removeMember("hostInterface");
  WriteProfile(profile);
  EXPECT_EQ(kelvane::AccessPointsSeenBy(kelvane::NetworkAdapters()[0]).size(), 1u);
}

}  // namespace
