// The two cell-ID services: the binary request byte for byte, the readers of
// both answers, and whole lookups through a scripted proxy.
#include <windows.h>

#include <cstring>
#include <string>

#include "lookup/google_service.h"
#include "lookup/yandex_service.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"
#include "settings/message_list.h"

namespace kelvane::testing {
namespace {

class CellServicesTest : public LookupTest {};

std::string GoogleRequest(const CellRecord& cell) {
  uint8_t body[kGoogleRequestSize];
  BuildGoogleRequest(cell, body);
  return std::string(reinterpret_cast<const char*>(body), sizeof body);
}

TEST(GoogleRequestTest, BodyIsBuiltByteForByte) {
  const std::string head = std::string("\x00\x0e", 2) + std::string(14, '\0') + "\x1b";
  const std::string tail = std::string("\xff\xff\xff\xff", 4) + std::string(4, '\0');
  // A cell id above 65535 is sent whole, marked 05.
  EXPECT_EQ(GoogleRequest(CellRecord{250, 99, 7000, 70000}),
            head + std::string("\x00\x00\x00\x63\x00\x00\x00\xfa\x00\x00\x00\x05\x00\x00", 14) +
                std::string("\x00\x01\x11\x70\x00\x00\x1b\x58\x00\x00\x00\x63\x00\x00\x00\xfa", 16) + tail);
  // Otherwise 03 and the low 16 bits; unknown codes go as two's complement.
  EXPECT_EQ(GoogleRequest(CellRecord{262, -1, 4660, 4660}),
            head + std::string("\xff\xff\xff\xff\x00\x00\x01\x06\x00\x00\x00\x03\x00\x00", 14) +
                std::string("\x00\x00\x12\x34\x00\x00\x12\x34\xff\xff\xff\xff\x00\x00\x01\x06", 16) + tail);
  EXPECT_EQ(GoogleRequest(CellRecord{262, 1, 1, -1}).substr(28, 7), std::string("\x03\x00\x00\x00\x00\xff\xff", 7));
}

TEST_F(CellServicesTest, GoogleAnswerThatPlacesNoCellIsUnknown) {
  struct Case {
    std::string body;
    const wchar_t* warning;
  } cases[] = {
      {GoogleBody(0, 1, 1, 1).substr(0, 14), L"WRN: g: no tower"},
      {GoogleBody(1, 53305120, 10, 700), L"WRN: g: no tower"},
      // Just off the globe, in the precision of the single-precision product.
      {GoogleBody(0, 90000100, 0, 700), L"WRN: g: impossible position"},
      {GoogleBody(0, 0, -180000200, 700), L"WRN: g: impossible position"},
  };
  for (const Case& c : cases) {
    DiagnosticLog().Clear();
    Position p = kNoPosition;
    EXPECT_EQ(ReadGoogleAnswer(c.body.data(), static_cast<DWORD>(c.body.size()), &p), -3);
    EXPECT_EQ(p.accuracy, kNoResult);
    EXPECT_TRUE(LogHas(c.warning));
  }
}

TEST_F(CellServicesTest, GoogleLookupThroughAProxy) {
  ScriptedPeer proxy([](const std::string&) {
    return PeerScript{{HttpAnswer(GoogleBody(0, 53305120, -2345678, 812))}, 0};
  });
  UseProxy(proxy.port());
  const CellRecord cell = CellRecord{262, 2, 4660, 70000};
  Position p = kNoPosition;
  ASSERT_EQ(ResolveGoogle(cell, &p), 0);
  EXPECT_EQ(proxy.Requests().at(0),
            "POST http://www.google.com/glm/mmap HTTP/1.1\r\n"
            "User-Agent: WINM-TEST-USER-AGENT\r\n"
            "Host: www.google.com\r\n"
            "Content-Length: 55\r\n"
            "Content-Type: application/binary\r\n"
            "\r\n" +
                GoogleRequest(cell));
  // The single-precision product: 53305120 reads as 53.305119.
  EXPECT_TRUE(LogHas(L"inet g: 262 2 4660 70000 53.305119 -2.345678 812")) << LogLines().back();
  EXPECT_EQ(p.latitude, 53305120 * 0.000001f);
  EXPECT_EQ(p.accuracy, 812);
}

TEST_F(CellServicesTest, YandexLookupInOriginForm) {
  ScriptedPeer service([](const std::string&) {
    return PeerScript{{HttpAnswer(YandexBody("55.7522", "37.6156", "55.7532", "37.6166"))}, 0};
  });
  Json::Value profile;
  profile["hosts"]["mobile.maps.yandex.net"] = "127.0.0.1:" + std::to_string(service.port());
  UseProfile(profile);
  Position p = kNoPosition;
  ASSERT_EQ(ResolveYandex(CellRecord{250, 99, 7000, -1}, &p), 0);
  EXPECT_EQ(service.Requests().at(0),
            "GET /cellid_location/?&cellid=-1&operatorid=99&countrycode=250&lac=7000 HTTP/1.1\r\n"
            "User-Agent: Mozilla/5.0\r\n"
            "Host: mobile.maps.yandex.net\r\n"
            "\r\n");
  EXPECT_EQ(p.latitude, 55.7522f);
  EXPECT_EQ(p.longitude, 37.6156f);
  // A flat-earth distance of 0.001 degree on both axes, about 157 m.
  EXPECT_EQ(p.accuracy, 157);
  EXPECT_TRUE(LogHas(L"inet y: 250 99 7000 -1 55.752201 37.615601 157")) << LogLines().back();
}

TEST_F(CellServicesTest, YandexAnswerReading) {
  struct Case {
    std::string body;
    int code;
    const wchar_t* line;
  } cases[] = {
      {"<error code=\"6\">Not found</error>", -3, L"WRN: y: no tower"},
      {"<c longitude=\"1\" nlongitude=\"1\"/>", -10, L"ERR: parse xml lat failed"},
      {"<c latitude=\"1\" nlatitude=\"1\"/>", -10, L"ERR: parse xml lon failed"},
      {"<c latitude=\"1\" longitude=\"1\" nlongitude=\"1\"/>", -10, L"ERR: parse xml nlat failed"},
      {"<c latitude=\"1\" longitude=\"1\" nlatitude=\"1\"/>", -10, L"ERR: parse xml nlon failed"},
      {YandexBody("91", "0", "0", "0"), -3, L"WRN: y: impossible position"},
      {YandexBody("0", "0", "0", "1e30"), -3, L"WRN: y: impossible position"},
      {YandexBody("nan", "0", "0", "0"), -3, L"WRN: y: impossible position"},
  };
  for (const Case& c : cases) {
    DiagnosticLog().Clear();
    Position p = kNoPosition;
    EXPECT_EQ(ReadYandexAnswer(c.body.data(), static_cast<DWORD>(c.body.size()), &p), c.code) << c.body;
    EXPECT_EQ(p.accuracy, kNoResult);
    EXPECT_TRUE(LogHas(c.line)) << c.body;
  }
}

TEST_F(CellServicesTest, YandexAttributesAreFoundAsWholeNamesInAnyOrder) {
  Position p = kNoPosition;
  // Equal pairs: no distance.
  std::string body = YandexBody("48.5", "30.25", "48.5", "30.25");
  ASSERT_EQ(ReadYandexAnswer(body.data(), static_cast<DWORD>(body.size()), &p), 0);
  EXPECT_EQ(p.accuracy, 0);
  // nlatitude first: latitude=" also ends nlatitude=", but only the whole
  // name counts, so the answer is the one of the usual order.
  Position usual = kNoPosition;
  body = "<c latitude=\"48.5\" longitude=\"30.25\" nlatitude=\"48.6\" nlongitude=\"30.35\"/>";
  ASSERT_EQ(ReadYandexAnswer(body.data(), static_cast<DWORD>(body.size()), &usual), 0);
  body = "<c nlatitude=\"48.6\" nlongitude=\"30.35\" latitude=\"48.5\" longitude=\"30.25\"/>";
  ASSERT_EQ(ReadYandexAnswer(body.data(), static_cast<DWORD>(body.size()), &p), 0);
  EXPECT_EQ(p.latitude, 48.5f);
  EXPECT_EQ(p.longitude, 30.25f);
  EXPECT_EQ(memcmp(&p, &usual, sizeof p), 0);
  EXPECT_GT(p.accuracy, 15000);  // about 0.1 degree on both axes
  EXPECT_LT(p.accuracy, 16500);
}

}  // namespace
}  // namespace kelvane::testing
