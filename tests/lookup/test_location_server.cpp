// The lookups against the location server, as proxy and as origin server
// through the device's hosts table, with its faults.
#include <windows.h>

#include <string>
#include <vector>

#include "lookup/google_service.h"
#include "lookup/resolve_online.h"
#include "lookup/tower_resolution.h"
#include "list_source.h"
#include "location_server.h"
#include "lookup_fixture.h"
#include "settings/message_list.h"

namespace kelvane::testing {
namespace {

const std::string kCells =
    "GSM,250,1,7712,40031,0,37.618423,55.751244,550,10,1,1262304000,1293840000,0\n"
    "UMTS,262,2,4660,70000,0,13.404954,52.520008,900,10,1,1262304000,1293840000,0\n";

const CellRecord kMoscow = CellRecord{250, 1, 7712, 40031};
const CellRecord kBerlin = CellRecord{262, 2, 4660, 70000};

class LocationServerTest : public LookupTest {};

TEST_F(LocationServerTest, BothServicesThroughTheServerAsProxy) {
  LocationServer server(root(), kCells);
  UseProxy(server.port());
  Position p = kNoPosition;
  ASSERT_EQ(ResolveOnline(kMoscow, &p), 0);
  // Both give the range as accuracy; on the tie the XML service's answer is taken.
  EXPECT_NEAR(p.latitude, 55.751244, 1e-5);
  EXPECT_NEAR(p.longitude, 37.618423, 1e-5);
  EXPECT_EQ(p.accuracy, 550);
  EXPECT_TRUE(LogHas(L"inet y: 250 1 7712 40031 55.751244 37.618423 550")) << LogLines().back();
  EXPECT_EQ(server.RequestLines(),
            (std::vector<std::string>{
                "POST http://www.google.com/glm/mmap HTTP/1.1",
                "GET http://mobile.maps.yandex.net/cellid_location/?&cellid=40031&operatorid=1&countrycode=250&lac=7712 "
                "HTTP/1.1"}));
}

TEST_F(LocationServerTest, OriginServerThroughTheHostsTable) {
  LocationServer server(root(), kCells);
  Json::Value profile;
  profile["hosts"][kGoogleHost] = "127.0.0.1:" + std::to_string(server.port());
  profile["network"]["hostResolver"] = false;
  UseProfile(profile);
  UseProxy("127.0.0.1", 0);  // an address without a port is no proxy
  Position p = kNoPosition;
  ASSERT_EQ(ResolveOnline(kBerlin, &p), 0);
  EXPECT_NEAR(p.latitude, 52.520008, 1e-5);
  EXPECT_EQ(p.accuracy, 900);
  EXPECT_EQ(server.RequestLines(), (std::vector<std::string>{"POST /glm/mmap HTTP/1.1"}));
}

TEST_F(LocationServerTest, FaultsOfTheServiceAreTheLookupsFailures) {
  struct Case {
    const char* fault;
    CellRecord cell;
    int code;
    std::wstring line;  // the start of a line of the log
  } cases[] = {
      {"oversize", kBerlin, -1, L"ERR: inet small buffer"},
      {"no-content-length", kBerlin, -1, L"ERR: parse response failed"},
      // The count depends on the server's header lines.
      {"overrun=2", kBerlin, -1, L"ERR: recv() failed "},
      {"unknown-cell", kBerlin, -3, L"WRN: g: no tower"},
      {"unknown-cell", kMoscow, -3, L"WRN: y: no tower"},
      // The XML service still answers for Moscow.
      {"unknown-cell,only=google", kMoscow, 0, L"inet y: 250 1 7712 40031 55.751244 37.618423 550"},
  };
  for (const Case& c : cases) {
    LocationServer server(root(), kCells, {c.fault});
    UseProxy(server.port());
    DiagnosticLog().Clear();
    Position p = kNoPosition;
    EXPECT_EQ(ResolveOnline(c.cell, &p), c.code) << c.fault;
    bool logged = false;
    for (const std::wstring& line : LogLines()) logged = logged || line.rfind(c.line, 0) == 0;
    EXPECT_TRUE(logged) << c.fault << " " << ::testing::PrintToString(LogLines());
  }
}

TEST_F(LocationServerTest, ResolvedTowerIsAnsweredFromTheCacheNextTime) {
  LocationServer server(root(), kCells);
  UseProxy(server.port());
  ListSource source({kBerlin});
  Position p = kNoPosition;
  ASSERT_EQ(ResolveSourcePosition(&source, &p), 0);
  p = kNoPosition;
  ASSERT_EQ(ResolveSourcePosition(&source, &p), 0);
  EXPECT_NEAR(p.latitude, 52.520008, 1e-5);
  EXPECT_EQ(p.accuracy, 900);
  EXPECT_EQ(server.RequestLines().size(), 1u);
  const auto records = ReadCache();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].cell_id, 70000);
}

}  // namespace
}  // namespace kelvane::testing
