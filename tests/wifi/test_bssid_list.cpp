// Reading the driver's BSSID list: its bounds and the SSID text.
#include <gtest/gtest.h>

#include "bssid_bytes.h"
#include "settings/message_list.h"
#include "wifi/bssid_list.h"

namespace kelvane::testing {
namespace {

AccessPointList Parse(const std::string& bytes) {
  AccessPointList list;
  ParseBssidList(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &list);
  return list;
}

TEST(BssidListTest, ReadsItemsInDriverOrderAndLogsEach) {
  DiagnosticLog().Clear();
  // The second item is longer than the minimum: the third starts after it.
  const std::string bytes =
      BssidList(3, BssidItem(1, -61, "Home") + BssidItem(2, -80, "", 140) + BssidItem(3, -45, "Caf\xC3\xA9"));
  const AccessPointList list = Parse(bytes);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].mac_address, L"00-1a-2b-3c-4d-01");
  EXPECT_EQ(list[0].signal_strength, -61);
  EXPECT_EQ(list[0].ssid, L"Home");
  EXPECT_EQ(list[1].ssid, L"");
  EXPECT_EQ(list[2].mac_address, L"00-1a-2b-3c-4d-03");
  EXPECT_EQ(list[2].ssid, L"Caf\u00E9");
  EXPECT_EQ(list[2].channel, kAbsent);
  const std::list<MessageLine> lines = DiagnosticLog().Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.front().text, L"00-1a-2b-3c-4d-01 Home -61");
  EXPECT_EQ(lines.front().colour, kBlack);
}

TEST(BssidListTest, StopsAtAnItemTooShortOrRunningPastTheReply) {
  // A first item of 103 bytes: nothing from the adapter.
  DiagnosticLog().Clear();
  EXPECT_TRUE(Parse(BssidList(1, BssidItem(1, -61, "A", 103))).empty());
  ASSERT_EQ(DiagnosticLog().Lines().size(), 1u);
  EXPECT_EQ(DiagnosticLog().Lines().front().text, L"WRN: WiFi, BSSID list item 1 of 1 is damaged");
  // An item claiming more bytes than are left: the items before it stay.
  const std::string cut = BssidList(3, BssidItem(1, -61, "A") + BssidItem(2, -62, "B", 200)).substr(0, 4 + 104 + 150);
  ASSERT_EQ(Parse(cut).size(), 1u);
  // More items counted than present: the present ones are read.
  EXPECT_EQ(Parse(BssidList(5, BssidItem(1, -61, "A") + BssidItem(2, -62, "B"))).size(), 2u);
  // An item length that would wrap the offset.
  EXPECT_EQ(Parse(BssidList(2, BssidItem(1, -61, "A", 104) + BssidItem(2, -62, "B", 104).replace(0, 4, "\xff\xff\xff\xff", 4))).size(), 1u);
  EXPECT_TRUE(Parse(std::string("\x01\x00", 2)).empty());
  EXPECT_TRUE(Parse(BssidList(1, "")).empty());
}

TEST(BssidListTest, UnusableSsidBytesGiveAnEmptySsid) {
  const AccessPointList list =
      Parse(BssidList(3, BssidItem(1, -61, "\xC3\x28") + BssidItem(2, -62, "Long", 104, 40) + BssidItem(3, -63, "x", 104, 0)));
  ASSERT_EQ(list.size(), 3u);
  for (const AccessPoint& p : list) EXPECT_EQ(p.ssid, L"") << p.mac_address;
  EXPECT_EQ(list[1].mac_address, L"00-1a-2b-3c-4d-02");
}

}  // namespace
}  // namespace kelvane::testing
