// Garbled Wi-Fi input: driver replies (BSSID lists), service answers (JSON),
// wifi.dat files and host scan results (nl80211). Nothing is read outside
// its buffer (the sanitizer builds watch), nothing impossible is handed on.
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "../wifi/bssid_bytes.h"
#include "../wifi/wifi_cache_file.h"
#include "internal/host_wifi.h"
#include "lookup/month_stamp.h"
#include "lookup/service_position.h"
#include "lookup_fixture.h"
#include "support/byte_mutator.h"
#include "support/scan_result_message.h"
#include "wifi/bssid_list.h"
#include "wifi/location_response.h"
#include "wifi/wifi_cache.h"

namespace kelvane::testing {
namespace {

TEST(WifiParsersFuzzTest, BssidListsStayInsideTheReply) {
  const std::string seed = BssidList(3, BssidItem(1, -61, "Home") + BssidItem(2, -70, "\xC3\xA9", 120) +
                                            BssidItem(3, -90, "", 104, 33));
  ByteMutator mutator(9101, {seed}, std::string("\x68\x67\x00\x20\xff\x80", 6), MutatorOptions{4, 40, 10, 400});
  for (int round = 0; round < 2000; ++round) {
    const std::string bytes = mutator.Next();
    // An exact-size copy, so a read past the end is a sanitizer's finding.
    std::vector<BYTE> reply(bytes.begin(), bytes.end());
    AccessPointList list;
    ParseBssidList(reply.data(), static_cast<DWORD>(reply.size()), &list);
    ASSERT_LE(list.size() * kBssidItemMinimum, bytes.size()) << "round " << round;
    for (const AccessPoint& p : list) {
      ASSERT_EQ(p.mac_address.size(), 17u);
      ASSERT_LE(p.ssid.size(), 32u);
    }
  }
}

TEST(WifiParsersFuzzTest, ServiceAnswersGiveOnlyUsablePositions) {
  ByteMutator mutator(9102,
                      {R"({"access_token":"t","location":{"latitude":55.75,"longitude":37.6,"accuracy":42.9,
                          "address":{"city":"M\u00fcnchen"}}})",
                       R"({"location":{"latitude":-90,"longitude":180,"accuracy":0}})", "null"},
                      "{}[]:,\"0123456789.-eE\\u", MutatorOptions{6, 16, 10, 300});
  for (int round = 0; round < 3000; ++round) {
    const std::string text = mutator.Next();
    LocationResult result;
    std::wstring token;
    if (!ParseResponse(text, &result, &token) || !CheckLocation(result)) continue;
    ASSERT_TRUE(IsOnGlobe(static_cast<float>(result.latitude), static_cast<float>(result.longitude))) << text;
    ASSERT_GE(result.accuracy, 0.0) << text;
    ASSERT_LT(result.accuracy, 2147483648.0) << text;
  }
}

class WifiCacheFuzzTest : public LookupTest {};

TEST_F(WifiCacheFuzzTest, GarbledCachesAnswerWholeRecordsOnTheGlobe) {
  SetCalendar(2024, 6, 10);
  const WORD now = StampOf(2024, 6);
  const std::string seed = WifiCacheBytes({CachedPoint(1, 55.75f, 37.6f, 40, now, now),
                                           CachedPoint(2, 0.0f, 0.0f, 0, kNeverPlacedStamp, now),
                                           CachedPoint(3, 91.0f, 0.0f, 10, StampOf(2024, 1), StampOf(2023, 1)),
                                           CachedPoint(1, 1.0f, 1.0f, 1, now, now)});
  ByteMutator mutator(9103, {seed}, std::string("\x00\x1a\x2b\x3c\x4d\x01\x02\x03\x11\x64\x86\x7e", 12),
                      MutatorOptions{4, kWifiRecordSize + 4, 10, 300});
  const AccessPointList list = {PointOf(3), PointOf(2), PointOf(1)};
  for (int round = 0; round < 500; ++round) {
    const std::string bytes = mutator.Next();
    WriteWifiCache(root(), bytes);
    CheckWifiCacheFile();
    if (bytes.size() % kWifiRecordSize != 0) {
      ASSERT_FALSE(std::filesystem::exists(root() / kWifiCachePath)) << "round " << round;
      continue;
    }
    Position p = kNoPosition;
    LONG offset = 12345;
    const int result = LookupCache(list, &p, &offset);
    ASSERT_TRUE(result == 0 || result == -1 || result == -2 || result == -3) << result;
    ASSERT_TRUE(offset == -1 || (offset % kWifiRecordSize == 0 && static_cast<size_t>(offset) < bytes.size()));
    if (result == 0 || result == -2) {
      ASSERT_TRUE(IsOnGlobe(p.latitude, p.longitude)) << "round " << round;
    }
    StoreCache(list, Position{10.0f, 20.0f, 30});
    ASSERT_EQ(std::filesystem::file_size(root() / kWifiCachePath) % kWifiRecordSize, 0u) << "round " << round;
  }
}

TEST(WifiParsersFuzzTest, HostScanResultsStayInsideTheMessage) {
  ScanResultParts parts;
  parts.elements = std::string("\x01\x02\x82\x84", 4) + SsidElement("Home");
  parts.beacon_elements = SsidElement("Beacon");
  const std::string seed = ScanResultMessage(parts);
  ByteMutator mutator(9104, {seed}, std::string("\x00\x01\x02\x06\x20\x2f\xff", 7), MutatorOptions{4, 12, 10, 200});
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = mutator.Next();
    if (bytes.size() < sizeof(nlmsghdr)) continue;
    // The reader of the socket has checked the length against what arrived.
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    std::memcpy(&bytes[0], &length, sizeof length);
    SeenAccessPoint point;
    if (ParseScanResultBytes(bytes, &point)) {
      ASSERT_LE(point.ssid.size(), 32u) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace kelvane::testing
