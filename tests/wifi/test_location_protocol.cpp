// The JSON location protocol's documents: the request written byte for byte,
// the response read, the position checked.
#include <gtest/gtest.h>

#include "access_points.h"

#include <cmath>
#include <limits>

#include "wifi/location_request.h"
#include "wifi/location_response.h"

namespace {

using kelvane::testing::MakePoint;

TEST(LocationRequestTest, TwoAccessPointsTheSecondWithoutSsid) {
  std::string body;
  ASSERT_TRUE(BuildRequest(L"loc.example", L"plain ticket", CellPart(),
                           {MakePoint(L"00-1a-2b-3c-4d-01", -61, L"S"), MakePoint(L"00-1a-2b-3c-4d-02", -80, L"")}, L"en-GB",
                           &body));
  EXPECT_EQ(body,
            "{ \"access_token\" : \"plain ticket\", \"address_language\" : \"en-GB\", \"host\" : \"loc.example\", "
            "\"radio_type\" : \"unknown\", \"request_address\" : false, \"version\" : \"1.1.0\", \"wifi_towers\" : "
            "[ { \"mac_address\" : \"00-1a-2b-3c-4d-01\", \"signal_strength\" : -61, \"ssid\" : \"S\" }, "
            "{ \"mac_address\" : \"00-1a-2b-3c-4d-02\", \"signal_strength\" : -80 } ] }\n");
}

TEST(LocationRequestTest, MemberRules) {
  std::string body = "untouched";
  EXPECT_FALSE(BuildRequest(L"", L"plain ticket", CellPart(), {}, L"en-GB", &body));
  EXPECT_EQ(body, "untouched");

  // No access points: no "wifi_towers"; an unconvertible token is left out;
  // quotes, control characters and UTF-8 in an SSID.
  ASSERT_TRUE(BuildRequest(L"h", std::wstring{wchar_t(0xD800)}, CellPart(), {}, L"", &body));
  EXPECT_EQ(body, "{ \"host\" : \"h\", \"radio_type\" : \"unknown\", \"request_address\" : false, "
                  "\"version\" : \"1.1.0\" }\n");
  ASSERT_TRUE(BuildRequest(L"h", L"", CellPart(), {MakePoint(L"m", kAbsent, L"a\"b\\c\t\u00E9")}, L"", &body));
  EXPECT_NE(body.find("[ { \"mac_address\" : \"m\", \"ssid\" : \"a\\\"b\\\\c\\t\xC3\xA9\" } ]"), std::string::npos)
      << body;

  // A filled cell part (which this system never sends) by the same rules.
  CellPart cell;
  cell.radio_type = 1;
  cell.home_mobile_country_code = 250;
  CellTower tower;
  tower.cell_id = 40031;
  tower.signal_strength = -2147483647;
  cell.cells.push_back(tower);
  ASSERT_TRUE(BuildRequest(L"h", L"", cell, {}, L"", &body));
  EXPECT_NE(body.find("\"cell_towers\" : [ { \"cell_id\" : 40031, \"signal_strength\" : -2147483647 } ], "
                      "\"home_mobile_country_code\" : 250, \"host\" : \"h\", \"radio_type\" : \"gsm\""),
            std::string::npos)
      << body;
}

TEST(LocationResponseTest, AcceptedAndRejectedAnswers) {
  struct Case {
    std::string text;
    bool parsed;
    bool usable;
    double latitude, longitude, accuracy;
  } cases[] = {
      {R"({"location":{"latitude":55.75,"longitude":37.6,"accuracy":42}})", true, true, 55.75, 37.6, 42},
      {R"({"location":{"latitude":55,"longitude":-37,"accuracy":42.9}})", true, true, 55, -37, 42.9},
      {R"({"location":{"latitude":90,"longitude":-180,"accuracy":0}})", true, true, 90, -180, 0},
      {R"({"location":{"latitude":-90.0001,"longitude":0,"accuracy":1}})", true, false, -90.0001, 0, 1},
      {R"({"location":{"latitude":0,"longitude":180.5,"accuracy":1}})", true, false, 0, 180.5, 1},
      {R"({"location":{"latitude":0,"longitude":0,"accuracy":-0.5}})", true, false, 0, 0, -0.5},
      // An accuracy beyond 32 bits would not convert.
      {R"({"location":{"latitude":0,"longitude":0,"accuracy":1e300}})", true, false, 0, 0, 1e300},
      {R"({"location":{"latitude":0,"longitude":0,"accuracy":2147483647}})", true, true, 0, 0, 2147483647},
      // Stored unsigned: counts as missing.
      {R"({"location":{"latitude":0,"longitude":0,"accuracy":2147483648}})", false, false, 0, 0, -1},
      {R"({"location":{"latitude":"55","longitude":37,"accuracy":1}})", false, false, 200, 200, -1},
      {R"({"location":{"latitude":55,"accuracy":1}})", false, false, 55, 200, -1},
      {R"({"location":"here"})", false, false, 200, 200, -1},
      {R"({"access_token":"t"})", true, false, 200, 200, -1},
      {"{}", true, false, 200, 200, -1},
      {"null", true, false, 200, 200, -1},
      {"[1]", false, false, 200, 200, -1},
      {"", false, false, 200, 200, -1},
      {"{\"location\":", false, false, 200, 200, -1},
  };
  for (const Case& c : cases) {
    LocationResult result;
    std::wstring token;
    EXPECT_EQ(ParseResponse(c.text, &result, &token), c.parsed) << c.text;
    EXPECT_EQ(CheckLocation(result), c.usable) << c.text;
    EXPECT_EQ(result.latitude, c.latitude) << c.text;
    EXPECT_EQ(result.longitude, c.longitude) << c.text;
    EXPECT_EQ(result.accuracy, c.accuracy) << c.text;
  }
}

TEST(LocationResponseTest, TokenAddressAndOptionalNumbers) {
  LocationResult result;
  std::wstring token;
  ASSERT_TRUE(ParseResponse(R"({"access_token":"2:abc","location":{"latitude":1,"longitude":2,"accuracy":3,
      "altitude":120.5,"address":{"city":"Moskva","street":7,"country_code":"RU"}}})",
                            &result, &token));
  EXPECT_EQ(token, L"2:abc");
  EXPECT_EQ(result.altitude, 120.5);
  EXPECT_EQ(result.altitude_accuracy, -1.0);
  EXPECT_EQ(result.city, L"Moskva");
  EXPECT_EQ(result.country_code, L"RU");
  EXPECT_EQ(result.street, L"");  // not a string: skipped
}

TEST(LocationResponseTest, NotANumberIsNeverUsable) {
  LocationResult result;
  result.latitude = std::numeric_limits<double>::quiet_NaN();
  result.longitude = 0;
  result.accuracy = 1;
  EXPECT_FALSE(CheckLocation(result));
  result.latitude = 0;
  result.accuracy = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(CheckLocation(result));
}

}  // namespace
