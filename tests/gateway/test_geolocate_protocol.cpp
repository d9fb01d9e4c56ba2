// The translation to and from the geolocate protocol, and what of a Wi-Fi
// request may leave: the documents sent, and every kind of answer read.
#include "geolocate_protocol.h"
#include "wifi_privacy.h"

#include <gtest/gtest.h>

namespace {

using locserver::GeoAnswer;
using locserver::ReadGeolocateAnswer;
using locserver::WifiObservation;
using Kind = GeoAnswer::Kind;

TEST(GeolocateRequestTest, CellsGoAsOneTowerWithTheRadioTheirIdLengthTells) {
  EXPECT_EQ(locserver::GeolocateCellRequest({250, 1, 7712, 40031}),
            R"({"cellTowers":[{"cellId":40031,"locationAreaCode":7712,"mobileCountryCode":250,)"
            R"("mobileNetworkCode":1,"radioType":"gsm"}],"considerIp":false,"fallbacks":{"ipf":false}})");
  EXPECT_EQ(locserver::GeolocateCellRequest({262, 2, 345, 70000}),
            R"({"cellTowers":[{"cellId":70000,"locationAreaCode":345,"mobileCountryCode":262,)"
            R"("mobileNetworkCode":2,"radioType":"wcdma"}],"considerIp":false,"fallbacks":{"ipf":false}})");
}

TEST(GeolocateRequestTest, AccessPointsGoWithColonsAndWhatTheClientSaw) {
  const std::vector<WifiObservation> seen = {{0x001A2B3C4D01, true, -61, "Office \"2\""},
                                             {0xAABBCCDDEEFF, false, 0, ""}};
  EXPECT_EQ(locserver::GeolocateWifiRequest(seen),
            R"({"considerIp":false,"fallbacks":{"ipf":false},"wifiAccessPoints":[)"
            R"({"macAddress":"00:1a:2b:3c:4d:01","signalStrength":-61,"ssid":"Office \"2\""},)"
            R"({"macAddress":"aa:bb:cc:dd:ee:ff"}]})");
}

TEST(GeolocateAnswerTest, APositionOnTheGlobeIsFound) {
  const GeoAnswer a = ReadGeolocateAnswer(200, R"({"location":{"lat":55.7512,"lng":37.6184},"accuracy":120.5})");
  EXPECT_EQ(a.kind, Kind::kFound);
  EXPECT_DOUBLE_EQ(a.latitude, 55.7512);
  EXPECT_DOUBLE_EQ(a.longitude, 37.6184);
  EXPECT_DOUBLE_EQ(a.accuracy, 120.5);
  const GeoAnswer edge = ReadGeolocateAnswer(200, R"({"location":{"lat":-90,"lng":180},"accuracy":0})");
  EXPECT_EQ(edge.kind, Kind::kFound);
  EXPECT_DOUBLE_EQ(edge.longitude, 180);
}

TEST(GeolocateAnswerTest, NotFoundAndAnIpFallbackAreNotFound) {
  EXPECT_EQ(ReadGeolocateAnswer(404, R"({"error":{"errors":[{"reason":"notFound"}],"code":404}})").kind,
            Kind::kNotFound);
  EXPECT_EQ(ReadGeolocateAnswer(404, "").kind, Kind::kNotFound);
  EXPECT_EQ(
      ReadGeolocateAnswer(200, R"({"location":{"lat":52.5,"lng":13.4},"accuracy":25000,"fallback":"ipf"})").kind,
      Kind::kNotFound);
  // A location-area fallback still comes from the cell the client sent.
  EXPECT_EQ(
      ReadGeolocateAnswer(200, R"({"location":{"lat":52.5,"lng":13.4},"accuracy":9000,"fallback":"lacf"})").kind,
      Kind::kFound);
}

TEST(GeolocateAnswerTest, ErrorsAndGarbageAreFailuresThatSayWhy) {
  const struct {
    int status;
    const char* body;
    const char* detail;
  } cases[] = {
      {400, R"({"error":{"errors":[{"reason":"keyInvalid"}],"code":400}})", "upstream status 400 keyInvalid"},
      {400, R"({"error":{"errors":[{"reason":"parseError"}],"code":400}})", "upstream status 400 parseError"},
      {403, R"({"error":{"errors":[{"reason":"dailyLimitExceeded"}],"code":403}})",
       "upstream status 403 dailyLimitExceeded"},
      {500, "<html>oops</html>", "upstream status 500"},
      {503, "", "upstream status 503"},
      {200, "<html>captive portal</html>", "upstream answer is not a JSON object"},
      {200, "[1,2]", "upstream answer is not a JSON object"},
      {200, R"({"location":{"lat":"55.7","lng":37.6},"accuracy":10})",
       "upstream answer lacks location.lat, location.lng or accuracy"},
      {200, R"({"location":{"lat":55.7,"lng":37.6}})", "upstream answer lacks location.lat, location.lng or accuracy"},
      {200, R"({"location":[55.7,37.6],"accuracy":10})", "upstream answer lacks location.lat, location.lng or accuracy"},
      {200, R"({"location":{"lat":90.5,"lng":37.6},"accuracy":10})", "upstream answer is not a position on the globe"},
      {200, R"({"location":{"lat":55.7,"lng":-180.01},"accuracy":10})",
       "upstream answer is not a position on the globe"},
      {200, R"({"location":{"lat":55.7,"lng":37.6},"accuracy":-1})", "upstream answer is not a position on the globe"},
      {302, R"({"location":{"lat":55.7,"lng":37.6},"accuracy":10})", "upstream status 302"},
  };
  for (const auto& c : cases) {
    const GeoAnswer a = ReadGeolocateAnswer(c.status, c.body);
    EXPECT_EQ(a.kind, Kind::kFailed) << c.status << " " << c.body;
    EXPECT_EQ(a.detail, c.detail) << c.status << " " << c.body;
  }
}

TEST(WifiPrivacyTest, HiddenAndOptedOutAccessPointsStayAndOneAloneIsNeverSent) {
  const WifiObservation office{1, true, -60, "Office"}, hidden{2, true, -70, ""}, opted_out{3, true, -50, "Home_nomap"},
      cafe{4, false, 0, "Cafe"}, nomap_inside{5, true, -80, "x_nomap_y"};
  const auto shared = locserver::ShareableAccessPoints({office, hidden, opted_out, cafe, nomap_inside});
  ASSERT_EQ(shared.size(), 3u);
  EXPECT_EQ(shared[0].mac, 1u);
  EXPECT_EQ(shared[1].mac, 4u);
  EXPECT_EQ(shared[2].mac, 5u);
  EXPECT_TRUE(locserver::ShareableAccessPoints({office, hidden, opted_out}).empty());
  EXPECT_TRUE(locserver::ShareableAccessPoints({office}).empty());
  EXPECT_EQ(locserver::ShareableAccessPoints({office, cafe}).size(), 2u);
}

}  // namespace
