// Access-point identity, MAC text and the strict UTF-8 / UTF-16 conversions.
#include <gtest/gtest.h>

#include "access_points.h"

#include "wifi/access_point.h"
#include "wifi/utf_text.h"

namespace {

using kelvane::testing::MakePoint;

TEST(AccessPointTest, ListsDifferOnlyInIdentityAndOrder) {
  const AccessPointList stored = {MakePoint(L"00-1a-2b-3c-4d-01", -60, L"A"), MakePoint(L"00-1a-2b-3c-4d-02", -70, L"")};
  // New signal strengths alone are no change.
  EXPECT_EQ(stored, (AccessPointList{MakePoint(L"00-1a-2b-3c-4d-01", -40, L"A"), MakePoint(L"00-1a-2b-3c-4d-02", -90, L"")}));
  EXPECT_NE(stored, (AccessPointList{MakePoint(L"00-1a-2b-3c-4d-02", -70, L""), MakePoint(L"00-1a-2b-3c-4d-01", -60, L"A")}));
  EXPECT_NE(stored, (AccessPointList{MakePoint(L"00-1a-2b-3c-4d-01", -60, L"B"), MakePoint(L"00-1a-2b-3c-4d-02", -70, L"")}));
  EXPECT_NE(stored, (AccessPointList{MakePoint(L"00-1a-2b-3c-4d-01", -60, L"A")}));
  AccessPoint on_channel = stored[0];
  on_channel.channel = 6;
  EXPECT_NE(on_channel, stored[0]);
}

TEST(AccessPointTest, MacTextRoundTripsAndRejectsShortText) {
  const BYTE mac[kMacBytes] = {0x00, 0x1A, 0xFF, 0x3C, 0x4D, 0x0E};
  EXPECT_EQ(FormatMac(mac), L"00-1a-ff-3c-4d-0e");
  BYTE back[kMacBytes] = {};
  ASSERT_TRUE(ParseMac(L"00:1A:ff:3c:4d:0e", back));
  EXPECT_EQ(0, memcmp(back, mac, kMacBytes));
  EXPECT_FALSE(ParseMac(L"00-1a-ff-3c-4d", back));
  EXPECT_FALSE(ParseMac(L"", back));
}

TEST(UtfTextTest, StrictUtf8Decoding) {
  struct Case {
    std::string in;
    bool ok;
    std::wstring out;
  } cases[] = {
      {"", true, L""},
      {"Caf\xC3\xA9", true, L"Caf\u00E9"},
      {"\xF0\x9F\x98\x80", true, std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}},  // U+1F600 as a pair
      {"\xEF\xBF\xBF", true, std::wstring{wchar_t(0xFFFF)}},
      {"\xC3", false, L""},                  // truncated
      {"\xC0\xAF", false, L""},              // overlong
      {"\xE0\x80\xAF", false, L""},          // overlong in three bytes
      {"\xED\xA0\x80", false, L""},          // an encoded surrogate
      {"\xF4\x90\x80\x80", false, L""},      // above U+10FFFF
      {"ab\x80", false, L""},                // a lone continuation byte
      {"\xE2\x82", false, L""},              // cut short at the end
  };
  for (const Case& c : cases) {
    std::wstring out = L"stale";
    EXPECT_EQ(Utf8ToUtf16(c.in, &out), c.ok) << testing::PrintToString(c.in);
    EXPECT_EQ(out, c.out) << testing::PrintToString(c.in);
  }
}

TEST(UtfTextTest, StrictUtf16Encoding) {
  std::string out = "stale";
  ASSERT_TRUE(Utf16ToUtf8(std::wstring{L'A', wchar_t(0xE9), wchar_t(0xD83D), wchar_t(0xDE00)}, &out));
  EXPECT_EQ(out, "A\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_FALSE(Utf16ToUtf8(std::wstring{wchar_t(0xD83D)}, &out));  // unpaired high surrogate
  EXPECT_EQ(out, "");
  EXPECT_FALSE(Utf16ToUtf8(std::wstring{wchar_t(0xDE00), L'A'}, &out));  // low surrogate first
  EXPECT_FALSE(Utf16ToUtf8(std::wstring{wchar_t(0xD83D), L'A'}, &out));
}

}  // namespace
