// Resolving the scanned access points: the cache first, then the JSON
// location service (a scripted peer as the proxy, or as the service itself
// through the hosts table).
#include <windows.h>

#include "lookup/month_stamp.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"
#include "settings/message_list.h"
#include "wifi/wifi_lookup.h"
#include "wifi/wifi_scanner.h"
#include "wifi_cache_file.h"
#include "wifi_profile.h"

namespace kelvane::testing {
namespace {

const std::string kBroken = "HTTP/1.1 502 Bad Gateway\r\n\r\n";  // no length: a transfer failure

class WifiLookupTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    std::filesystem::remove(root() / kWifiCachePath);
    SetCalendar(2024, 6, 10);
    TheWifiScanner().ClearList();
  }
  // Scans two access points (the second without SSID) and routes the service
  // host to `direct_port` when it is given.
  void ScanTwoPoints(uint16_t direct_port = 0) {
    Json::Value points;
    points.append(SeenPoint(1, -61, "Cafe"));
    points.append(SeenPoint(2, -80));
    Json::Value profile = WifiProfile(points);
    if (direct_port) profile["hosts"][kWifiServiceHost] = "127.0.0.1:" + std::to_string(direct_port);
    UseProfile(profile);
    ASSERT_EQ(TheWifiScanner().Scan(), 0);
  }
};

TEST_F(WifiLookupTest, AServiceAnswerIsReturnedTruncatedAndCachedForEveryPoint) {
  ScriptedPeer proxy([](const std::string&) {
    return PeerScript{{HttpAnswer(R"({"location":{"latitude":55.75,"longitude":37.6,"accuracy":42.9}})")}, 0};
  });
  UseProxy(proxy.port());
  ScanTwoPoints();
  Position p = kNoPosition;
  ASSERT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), 0);
  EXPECT_EQ(p.latitude, 55.75f);
  EXPECT_EQ(p.longitude, 37.6f);
  EXPECT_EQ(p.accuracy, 42);
  EXPECT_TRUE(LogHas(L"inet w"));
  EXPECT_TRUE(LogHas(L"inet w: 55.750000 37.600000 42.900000"));

  const std::vector<std::string> requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string body =
      "{ \"access_token\" : \"plain ticket\", \"address_language\" : \"en-GB\", \"host\" : \"www.google.com\", "
      "\"radio_type\" : \"unknown\", \"request_address\" : false, \"version\" : \"1.1.0\", \"wifi_towers\" : [ "
      "{ \"mac_address\" : \"00-1a-2b-3c-4d-01\", \"signal_strength\" : -61, \"ssid\" : \"Cafe\" }, "
      "{ \"mac_address\" : \"00-1a-2b-3c-4d-02\", \"signal_strength\" : -80 } ] }\n";
  EXPECT_EQ(requests[0], "POST http://www.google.com/loc/json HTTP/1.1\r\nUser-Agent: Mozilla/5.0\r\n"
                         "Host: www.google.com\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nContent-Type: application/json\r\n\r\n" + body);

  const std::vector<WifiCacheRecord> records = ReadWifiCache(root());
  ASSERT_EQ(records.size(), 2u);
  for (const WifiCacheRecord& r : records) {
    EXPECT_EQ(r.latitude, 55.75f);
    EXPECT_EQ(r.accuracy, 42);
    EXPECT_EQ(r.resolved, StampOf(2024, 6));
  }
  EXPECT_EQ(records[1].mac[5], 2);

  // Now cached and fresh: no further request.
  p = kNoPosition;
  ASSERT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), 0);
  EXPECT_EQ(p.accuracy, 42);
  EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST_F(WifiLookupTest, AStaleRecordIsTheAnswerWhenTheServiceFails) {
  ScriptedPeer proxy([](const std::string&) { return PeerScript{{kBroken}, 0}; });
  UseProxy(proxy.port());
  const std::string cache = WifiCacheBytes({CachedPoint(2, 10.0f, 20.0f, 30, StampOf(2024, 1), StampOf(2024, 6))});
  WriteWifiCache(root(), cache);
  ScanTwoPoints();
  Position p = kNoPosition;
  EXPECT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), 0);
  EXPECT_EQ(p.latitude, 10.0f);
  EXPECT_EQ(p.accuracy, 30);
  EXPECT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(ReadHostFile(kWifiCachePath), cache);
}

TEST_F(WifiLookupTest, UnusableAnswersLeaveThePositionAndTheCacheAlone) {
  for (const std::string& answer : {std::string("{}"), std::string(R"({"location":"here"})"),
                                   std::string(R"({"location":{"latitude":"1","longitude":2,"accuracy":3}})"),
                                   std::string(R"({"location":{"latitude":91,"longitude":2,"accuracy":3}})"),
                                   std::string("not json")}) {
    ScriptedPeer proxy([&](const std::string&) { return PeerScript{{HttpAnswer(answer)}, 0}; });
    UseProxy(proxy.port());
    TheWifiScanner().ClearList();
    ScanTwoPoints();
    Position p = {1.0f, 2.0f, 3};
    EXPECT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), -3) << answer;
    EXPECT_EQ(p.accuracy, 3) << answer;
    EXPECT_EQ(proxy.Requests().size(), 1u) << answer;
    EXPECT_FALSE(std::filesystem::exists(root() / kWifiCachePath)) << answer;
    EXPECT_TRUE(LogHas(L"WRN: WiFi, the service's answer holds no usable position")) << answer;
  }
}

TEST_F(WifiLookupTest, NoAccessPointsNoRequest) {
  ScriptedPeer proxy([](const std::string&) { return PeerScript{{kBroken}, 0}; });
  UseProxy(proxy.port());
  Position p = kNoPosition;
  EXPECT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), -2);
  EXPECT_TRUE(proxy.Requests().empty());
  EXPECT_FALSE(LogHas(L"inet w"));
}

TEST_F(WifiLookupTest, AProxyWithoutPortMeansTheOriginForm) {
  ScriptedPeer service([](const std::string&) {
    return PeerScript{{HttpAnswer(R"({"location":{"latitude":1,"longitude":2,"accuracy":3}})")}, 0};
  });
  UseProxy("10.0.0.1", 0);
  ScanTwoPoints(service.port());
  Position p = kNoPosition;
  ASSERT_EQ(ResolveWifiPosition(TheWifiScanner().List(), &p), 0);
  ASSERT_EQ(service.Requests().size(), 1u);
  EXPECT_EQ(RequestLine(service.Requests()[0]), "POST /loc/json HTTP/1.1");
}

}  // namespace
}  // namespace kelvane::testing
