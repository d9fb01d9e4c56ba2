// The three location protocols as bytes and documents: requests decoded,
// answers encoded, and the XML second point checked against the client's own
// computation.
#include "cell_id_binary.h"
#include "cell_id_xml.h"
#include "wifi_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

using locserver::CellKey;
using locserver::CellLocation;

// The addresses of the access points a Wi-Fi request names, in its order.
bool ParseWifiRequest(std::string_view body, std::vector<uint64_t>* macs, std::string* error) {
  std::vector<locserver::WifiObservation> access_points;
  if (!locserver::ParseWifiObservations(body, &access_points, error)) return false;
  macs->clear();
  for (const locserver::WifiObservation& ap : access_points) macs->push_back(ap.mac);
  return true;
}

void PutBigEndian(std::string* bytes, size_t offset, int32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<char>(static_cast<uint32_t>(value) >> (24 - 8 * i));
}

// The request body a client writes for a cell, built here from the layout.
std::string BinaryRequest(int32_t mcc, int32_t net, int32_t area, int32_t cell) {
  std::string body(55, '\0');
  body[1] = 0x0E;
  body[16] = 0x1B;
  PutBigEndian(&body, 17, net);
  PutBigEndian(&body, 21, mcc);
  body[28] = cell > 65535 ? 0x05 : 0x03;
  PutBigEndian(&body, 31, cell > 65535 ? cell : (cell & 0xFFFF));
  PutBigEndian(&body, 35, area);
  PutBigEndian(&body, 39, net);
  PutBigEndian(&body, 43, mcc);
  for (int i = 47; i < 51; ++i) body[i] = '\xFF';
  return body;
}

TEST(BinaryCellIdTest, DecodesShortAndLongCellIds) {
  CellKey key{};
  std::string error;
  ASSERT_TRUE(locserver::DecodeBinaryRequest(BinaryRequest(250, 1, 7712, 40031), &key, &error)) << error;
  EXPECT_EQ(key.mcc, 250);
  EXPECT_EQ(key.net, 1);
  EXPECT_EQ(key.area, 7712);
  EXPECT_EQ(key.cell, 40031);
  ASSERT_TRUE(locserver::DecodeBinaryRequest(BinaryRequest(262, 2, 345, 70000), &key, &error)) << error;
  EXPECT_EQ(key.cell, 70000);
  // An unknown cell id (-1) travels as 0x0000FFFF.
  ASSERT_TRUE(locserver::DecodeBinaryRequest(BinaryRequest(250, 1, 7712, -1), &key, &error)) << error;
  EXPECT_EQ(key.cell, 65535);
}

TEST(BinaryCellIdTest, RefusesBodiesThatAreNotTheRequestLayout) {
  std::string short_id_marked_long = BinaryRequest(250, 1, 7712, 40031);
  short_id_marked_long[28] = 0x05;
  std::string copies_differ = BinaryRequest(250, 1, 7712, 40031);
  PutBigEndian(&copies_differ, 43, 251);
  std::string bad_marker = BinaryRequest(250, 1, 7712, 40031);
  bad_marker[16] = 0x1C;
  const struct {
    std::string body;
    std::string error;
  } cases[] = {
      {BinaryRequest(250, 1, 7712, 40031).substr(0, 54), "the body is 54 bytes, expected 55"},
      {short_id_marked_long, "byte 28 is 0x05, expected 0x03 with a cell id up to 65535 or 0x05 with a longer one"},
      {copies_differ, "net and mcc at offsets 17 and 21 differ from their copies at 39 and 43"},
      {bad_marker, "byte 16 is 0x1C, expected 0x1B"},
  };
  for (const auto& c : cases) {
    CellKey key{};
    std::string error;
    EXPECT_FALSE(locserver::DecodeBinaryRequest(c.body, &key, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(BinaryCellIdTest, AnswersAreNineteenBigEndianBytes) {
  const CellLocation moscow{55.751244, 37.618423, 550};
  EXPECT_EQ(locserver::EncodeBinaryAnswer(&moscow),
            std::string("\x00\x0E\x1B"
                        "\x00\x00\x00\x00"
                        "\x03\x52\xB2\x4C"
                        "\x02\x3E\x02\xF7"
                        "\x00\x00\x02\x26",
                        19));
  const CellLocation south_west{-33.5, -70.25, 70000};
  EXPECT_EQ(locserver::EncodeBinaryAnswer(&south_west).substr(7),
            std::string("\xFE\x00\xD4\xA0"
                        "\xFB\xD0\x11\xF0"
                        "\x00\x01\x11\x70",
                        12));
  EXPECT_EQ(locserver::EncodeBinaryAnswer(nullptr),
            std::string("\x00\x0E\x1B\x00\x00\x00\x01", 7) + std::string(12, '\0'));
}

// The client's reading of an XML answer: first occurrence of each attribute,
// single-precision differences, one scale on both axes, truncation.
int32_t ClientAccuracy(const std::string& xml) {
  auto read = [&xml](const std::string& name) {
    const size_t at = xml.find(name + "=\"");
    EXPECT_NE(at, std::string::npos) << name;
    return static_cast<float>(std::atof(xml.c_str() + at + name.size() + 2));
  };
  const float dlat = read("latitude") - read("nlatitude");
  const float dlon = read("longitude") - read("nlongitude");
  const double dy = static_cast<double>(dlat) * 111195.32807025862;
  const double dx = static_cast<double>(dlon) * 111195.32807025862;
  return static_cast<int32_t>(static_cast<float>(std::sqrt(dx * dx + dy * dy)));
}

TEST(XmlCellIdTest, TheSecondPointGivesTheClientExactlyTheRange) {
  EXPECT_EQ(locserver::FormatXmlLocation({55.751244, 37.618423, 550}),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<location source=\"cell-export\">\n"
            "<coordinates latitude=\"55.751244\" longitude=\"37.618423\" nlatitude=\"55.7462959\" "
            "nlongitude=\"37.618423\"/>\n</location>\n");
  for (double latitude : {55.751244, 52.520008, -33.868820, 0.000001, 89.999, -89.5, 1.25})
    for (int32_t range : {0, 1, 2, 7, 550, 800, 1000, 1200, 4999, 65535, 250000, 1000000}) {
      const std::string xml = locserver::FormatXmlLocation({latitude, 37.618423, range});
      EXPECT_EQ(ClientAccuracy(xml), range) << latitude << " " << range << "\n" << xml;
      EXPECT_EQ(xml.find("error"), std::string::npos);
    }
}

TEST(XmlCellIdTest, QueriesNeedAllFourNumbers) {
  CellKey key{};
  std::string error;
  ASSERT_TRUE(locserver::ParseXmlCellQuery("&cellid=70000&operatorid=2&countrycode=262&lac=345", &key, &error));
  EXPECT_EQ(key.mcc, 262);
  EXPECT_EQ(key.net, 2);
  EXPECT_EQ(key.area, 345);
  EXPECT_EQ(key.cell, 70000);
  ASSERT_TRUE(locserver::ParseXmlCellQuery("lac=-1&x=y&&countrycode=250&operatorid=1&cellid=-1", &key, &error));
  EXPECT_EQ(key.cell, -1);
  const struct {
    const char* query;
    const char* error;
  } cases[] = {
      {"&cellid=1&operatorid=2&countrycode=250", "missing parameter lac"},
      {"&cellid=1x&operatorid=2&countrycode=250&lac=3", "cellid is not a 32-bit number: '1x'"},
      {"&cellid=4294967296&operatorid=2&countrycode=250&lac=3", "cellid is not a 32-bit number: '4294967296'"},
      {"", "missing parameter cellid"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(locserver::ParseXmlCellQuery(c.query, &key, &error)) << c.query;
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(locserver::FormatXmlError(400, "a<b & c"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<error code=\"400\">a&lt;b &amp; c</error>\n");
}

TEST(WifiJsonTest, LocatesKnownAccessPointsAndCoversEachOnesCircle) {
  locserver::AccessPointTable table;
  std::istringstream data(
      "00:1a:2b:3c:4d:01,55.751300,37.618500,35\n"
      "00:1a:2b:3c:4d:02,55.751800,37.617900,42.9\n");
  std::vector<std::string> errors;
  ASSERT_TRUE(table.Load(data, "wifi.csv", &errors));
  // The request as the program writes it.
  const std::string request =
      "{ \"access_token\" : \"plain ticket\", \"address_language\" : \"en-GB\", \"host\" : \"H\", "
      "\"radio_type\" : \"unknown\", \"request_address\" : false, \"version\" : \"1.1.0\", \"wifi_towers\" : [ { "
      "\"mac_address\" : \"00-1a-2b-3c-4d-01\", \"signal_strength\" : -61, \"ssid\" : \"S\" }, { \"mac_address\" : "
      "\"00-1a-2b-3c-4d-09\", \"signal_strength\" : -80 }, { \"mac_address\" : \"nonsense\" } ] }\n";
  std::vector<uint64_t> macs;
  std::string error;
  ASSERT_TRUE(ParseWifiRequest(request, &macs, &error)) << error;
  ASSERT_EQ(macs.size(), 2u);
  EXPECT_EQ(macs[0], 0x001a2b3c4d01u);
  EXPECT_EQ(locserver::FormatWifiAnswer(locserver::LocateAccessPoints(table, macs)),
            "{\"access_token\":\"kelvane-locserver\",\"location\":{\"latitude\":55.751300,\"longitude\":37.618500,"
            "\"accuracy\":35}}\n");

  const auto both = locserver::LocateAccessPoints(table, {0x001a2b3c4d01u, 0x001a2b3c4d02u});
  ASSERT_TRUE(both);
  EXPECT_NEAR(both->latitude, 55.75155, 1e-9);
  EXPECT_NEAR(both->longitude, 37.6182, 1e-9);
  // Half the points' distance (about 33.9 m) plus the larger own radius, rounded up to a tenth.
  const double half_distance = std::hypot(0.00025 * 111195.32807025862,
                                          0.0003 * 111195.32807025862 * std::cos(55.75155 * std::acos(-1.0) / 180));
  EXPECT_EQ(both->accuracy, std::ceil((42.9 + half_distance) * 10) / 10);

  EXPECT_EQ(locserver::FormatWifiAnswer(locserver::LocateAccessPoints(table, {0x001a2b3c4d09u})),
            "{\"access_token\":\"kelvane-locserver\"}\n");
}

TEST(WifiJsonTest, RequestsThatAreNotObjectsWithAnArrayAreRefused) {
  std::vector<uint64_t> macs;
  std::string error;
  EXPECT_FALSE(ParseWifiRequest("{ \"wifi_towers\" : ", &macs, &error));
  EXPECT_EQ(error.substr(0, 21), "the body is not JSON:");
  EXPECT_FALSE(ParseWifiRequest("[1, 2]", &macs, &error));
  EXPECT_EQ(error, "the body is not a JSON object");
  EXPECT_FALSE(ParseWifiRequest("{\"wifi_towers\": \"00-1a\"}", &macs, &error));
  EXPECT_EQ(error, "\"wifi_towers\" is not an array");
  EXPECT_TRUE(ParseWifiRequest("{\"version\": \"1.1.0\"}", &macs, &error));
  EXPECT_TRUE(macs.empty());
  EXPECT_EQ(locserver::FormatWifiError("bad \"x\"\n"), "{\"error\":\"bad \\\"x\\\"\\u000a\"}\n");
}

}  // namespace
