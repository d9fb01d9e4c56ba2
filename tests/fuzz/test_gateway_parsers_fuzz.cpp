// What the gateway reads from the network, garbled: the living service's
// answers, the program's Wi-Fi requests and the map page's queries. Each
// reader gives a position on the globe, a clean refusal, or a failure with a
// reason, and never anything else.
#include "geolocate_protocol.h"
#include "nearby.h"
#include "support/byte_mutator.h"
#include "wifi_json.h"
#include "wifi_privacy.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvane::testing {
namespace {

using locserver::GeoAnswer;

TEST(GatewayParsersFuzzTest, UpstreamAnswersArePositionsOnTheGlobeOrFailuresWithAReason) {
  ByteMutator mutator(19001,
                      {R"({"location":{"lat":55.7512,"lng":37.6184},"accuracy":120.5})",
                       R"({"location":{"lat":-90,"lng":180},"accuracy":0,"fallback":"lacf"})",
                       R"({"location":{"lat":1,"lng":2},"accuracy":9,"fallback":"ipf"})",
                       R"({"error":{"errors":[{"reason":"dailyLimitExceeded"}],"code":403,"message":"x"}})"},
                      "{}[]:,\"\\.-+eE0123456789latngcuryfobipf", MutatorOptions{6, 24, 10, 300});
  int found = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::string body = mutator.Next();
    const int status = round % 7 == 0 ? 503 : round % 11 == 0 ? 404 : 200;
    const GeoAnswer answer = locserver::ReadGeolocateAnswer(status, body);
    switch (answer.kind) {
      case GeoAnswer::Kind::kFound:
        ++found;
        ASSERT_EQ(status, 200) << body;
        ASSERT_TRUE(std::isfinite(answer.latitude) && std::fabs(answer.latitude) <= 90) << body;
        ASSERT_TRUE(std::isfinite(answer.longitude) && std::fabs(answer.longitude) <= 180) << body;
        ASSERT_TRUE(std::isfinite(answer.accuracy) && answer.accuracy >= 0) << body;
        break;
      case GeoAnswer::Kind::kNotFound: ASSERT_TRUE(status == 404 || body.find("ipf") != std::string::npos) << body; break;
      case GeoAnswer::Kind::kFailed: ASSERT_FALSE(answer.detail.empty()) << body; break;
    }
  }
  EXPECT_GT(found, 50) << "the mutations should leave many answers readable";
}

TEST(GatewayParsersFuzzTest, WifiRequestsGiveWellFormedAccessPointsOrARefusal) {
  ByteMutator mutator(19002,
                      {"{ \"wifi_towers\" : [ { \"mac_address\" : \"00-1a-2b-3c-4d-01\", \"signal_strength\" : -61, "
                       "\"ssid\" : \"Office\" }, { \"mac_address\" : \"00-1a-2b-3c-4d-02\", \"signal_strength\" : -80 "
                       "} ] }\n"},
                      "{}[]:,\" -0123456789abcdef_nomapssid", MutatorOptions{6, 24, 10, 300});
  for (int round = 0; round < 6000; ++round) {
    const std::string body = mutator.Next();
    std::vector<locserver::WifiObservation> seen;
    std::string error;
    if (!locserver::ParseWifiObservations(body, &seen, &error)) {
      ASSERT_FALSE(error.empty());
      continue;
    }
    for (const auto& ap : seen) ASSERT_LT(ap.mac, uint64_t{1} << 48);
    const auto shared = locserver::ShareableAccessPoints(seen);
    ASSERT_TRUE(shared.empty() || shared.size() >= locserver::kFewestSharedAccessPoints);
    for (const auto& ap : shared) ASSERT_FALSE(ap.ssid.empty());
  }
}

TEST(GatewayParsersFuzzTest, NearbyQueriesGiveAPointOnTheGlobeOrARefusal) {
  ByteMutator mutator(19003, {"lat=55.751244&lon=37.618423&radius=3000", "radius=1e3&lon=-180&lat=90"},
                      "&=.-+e0123456789latonradius", MutatorOptions{6, 12, 10, 80});
  for (int round = 0; round < 6000; ++round) {
    const std::string query = mutator.Next();
    double latitude = 0, longitude = 0, radius = 0;
    std::string error;
    if (!locserver::ParseNearbyQuery(query, &latitude, &longitude, &radius, &error)) {
      ASSERT_FALSE(error.empty());
      continue;
    }
    ASSERT_LE(std::fabs(latitude), 90) << query;
    ASSERT_LE(std::fabs(longitude), 180) << query;
    ASSERT_TRUE(radius >= 0 && radius <= locserver::kMaxNearbyRadius) << query;
  }
}

}  // namespace
}  // namespace kelvane::testing
