// Where the current cell is: cache first, the services for what the cache
// cannot answer, the first neighbour as fall-back; and the background
// refresh of old records.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "core/cell_source_holder.h"
#include "core/app_state.h"
#include "core/flags.h"
#include "core/process_state.h"
#include "core/sync_thread.h"
#include "lookup/month_stamp.h"
#include "lookup/tower_resolution.h"
#include "list_source.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"
#include "settings/message_list.h"

namespace kelvane::testing {
namespace {

constexpr WORD kThisMonth = StampOf(2024, 6);
constexpr WORD kFresh = StampOf(2024, 5);
constexpr WORD kStale = StampOf(2024, 3);  // 101 days before 10 June

CellRecord Cell(int cell_id) {
  CellRecord cell;
  cell.country = 262;
  cell.network = 1;
  cell.area = 10;
  cell.cell_id = cell_id;
  return cell;
}

TowerCacheRecord Cached(int cell_id, float latitude, WORD resolved, WORD last_used = kThisMonth) {
  return CachedTower(262, 1, 10, cell_id, latitude, 1.0f, 100, resolved, last_used);
}

// The binary service through a proxy: the cells it knows, by cell id, at
// latitude = id / 1000 and accuracy 700; others unknown. "broken" ids get an
// answer that fails the transfer.
class Services {
 public:
  explicit Services(std::map<int, bool> known)
      : known_(std::move(known)), proxy_([this](const std::string& request) { return Answer(request); }) {}
  uint16_t port() const { return proxy_.port(); }
  std::vector<int32_t> AskedIds() {
    std::vector<int32_t> ids;
    for (const std::string& request : proxy_.Requests()) ids.push_back(GoogleRequestCellId(request));
    return ids;
  }

 private:
  PeerScript Answer(const std::string& request) {
    const int32_t id = GoogleRequestCellId(request);
    auto it = known_.find(id);
    if (it == known_.end()) return PeerScript{{HttpAnswer(GoogleBody(1, 0, 0, 0))}, 0};
    if (!it->second) return PeerScript{{"HTTP/1.1 502 Bad Gateway\r\n\r\n"}, 0};
    return PeerScript{{HttpAnswer(GoogleBody(0, id * 1000, 2000000, 700))}, 0};
  }
  std::map<int, bool> known_;
  ScriptedPeer proxy_;
};

class TowerResolutionTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    SetCalendar(2024, 6, 10);
  }
  int Resolve(ListSource* source, Position* out) {
    *out = kNoPosition;
    return ResolveSourcePosition(source, out);
  }
};

TEST_F(TowerResolutionTest, NothingToResolve) {
  CellSourceHolder empty_holder;
  Position p = kNoPosition;
  EXPECT_EQ(ResolveTowerPosition(empty_holder, &p), -4);
  ListSource no_cells({});
  EXPECT_EQ(Resolve(&no_cells, &p), -10);
  ListSource one({Cell(1)});
  SetFlag(Interrupt);
  EXPECT_EQ(Resolve(&one, &p), -10);
  EXPECT_TRUE(one.asked.empty());
}

TEST_F(TowerResolutionTest, FreshCacheAnswersWithoutTheServices) {
  Services services({{1, true}});
  UseProxy(services.port());
  WriteCache({Cached(1, 50.0f, kFresh)});
  ListSource source({Cell(1)});
  Position p;
  EXPECT_EQ(Resolve(&source, &p), 0);
  EXPECT_EQ(p.latitude, 50.0f);
  EXPECT_TRUE(services.AskedIds().empty());
}

TEST_F(TowerResolutionTest, StalePositionIsRefreshedOrKeptWhenTheServicesFail) {
  WriteCache({Cached(1, 50.0f, kStale), Cached(2, 60.0f, kStale)});
  Services services({{1, true}, {2, false}});
  UseProxy(services.port());
  Position p;
  ListSource refreshed({Cell(1)});
  EXPECT_EQ(Resolve(&refreshed, &p), 0);
  EXPECT_EQ(p.latitude, 0.001f);
  ListSource kept({Cell(2)});
  EXPECT_EQ(Resolve(&kept, &p), 0);
  EXPECT_EQ(p.latitude, 60.0f);
  const auto records = ReadCache();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].latitude, 0.001f);
  EXPECT_EQ(records[0].accuracy, 700);
  EXPECT_EQ(records[0].resolved, kThisMonth);
  EXPECT_EQ(records[1].latitude, 60.0f);
  EXPECT_EQ(records[1].resolved, kStale);
}

TEST_F(TowerResolutionTest, NeverPlacedCellIsAskedAgainAndRewrittenInPlace) {
  WriteCache({Cached(5, 0.0f, kNeverPlacedStamp), Cached(6, 0.0f, kFresh)});
  Services services({{5, true}});
  UseProxy(services.port());
  ListSource source({Cell(5)});
  Position p;
  EXPECT_EQ(Resolve(&source, &p), 0);
  EXPECT_EQ(p.latitude, 0.005f);
  const auto records = ReadCache();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].resolved, kThisMonth);
  EXPECT_EQ(records[0].latitude, 0.005f);
}

TEST_F(TowerResolutionTest, UnknownCellIsRecordedAsNotPlaced) {
  // The second record has not been used for 151 days: its slot is reused.
  for (bool slot : {false, true}) {
    std::vector<TowerCacheRecord> cache = {Cached(1, 50.0f, kFresh)};
    if (slot) cache.push_back(Cached(2, 50.0f, StampOf(2023, 10), StampOf(2023, 12)));
    WriteCache(cache);
    Services services({});
    UseProxy(services.port());
    ListSource source({Cell(9)});
    Position p;
    EXPECT_EQ(Resolve(&source, &p), -3);
    const auto records = ReadCache();
    ASSERT_EQ(records.size(), 2u) << slot;
    EXPECT_EQ(records[1].cell_id, 9);
    EXPECT_EQ(records[1].resolved, kNeverPlacedStamp);
    EXPECT_EQ(records[1].last_used, kThisMonth);
  }
}

TEST_F(TowerResolutionTest, FirstNeighbourStandsInForAnUnplacedServingCell) {
  WriteCache({Cached(2, 45.0f, kFresh)});
  Services services({});
  UseProxy(services.port());
  ListSource source({Cell(1), Cell(2), Cell(3)});
  Position p;
  EXPECT_EQ(Resolve(&source, &p), 0);
  EXPECT_EQ(p.latitude, 45.0f);
  EXPECT_TRUE(LogHas(L"WRN: Bad accuracy, neighbor tower is used"));
  EXPECT_EQ(source.asked, (std::vector<int>{0, 1}));  // the third cell is never looked at
  EXPECT_EQ(services.AskedIds(), (std::vector<int32_t>{1}));
}

TEST_F(TowerResolutionTest, ServicesCodeWhenNeitherCellCanBePlaced) {
  Services services({{2, false}});
  UseProxy(services.port());
  ListSource source({Cell(1), Cell(2), Cell(3)});
  Position p;
  EXPECT_EQ(Resolve(&source, &p), -1);  // the last cell's code
  EXPECT_FALSE(LogHas(L"WRN: Bad accuracy, neighbor tower is used"));
  EXPECT_EQ(ReadCache().size(), 2u);
}

TEST_F(TowerResolutionTest, SyncRefreshesEachDueRecordOnceAndMovesOn) {
  WriteCache({
      Cached(1, 10.0f, kStale),
      Cached(2, 20.0f, kFresh),
      Cached(3, 30.0f, kNeverPlacedStamp),
      Cached(4, 40.0f, kStale),  // the services fail it: left as it was
  });
  Services services({{1, true}, {3, true}, {4, false}});
  UseProxy(services.port());
  EXPECT_EQ(SyncNextTower(), 1);
  EXPECT_EQ(SyncNextTower(), 1);
  EXPECT_EQ(SyncNextTower(), 1);
  EXPECT_EQ(SyncNextTower(), 0);
  // Records refreshed now would be due again only months later, but the one
  // that failed is still due: it is not asked twice in one run.
  EXPECT_EQ(SyncNextTower(), 0);
  EXPECT_EQ(services.AskedIds(), (std::vector<int32_t>{1, 3, 4}));
  const auto records = ReadCache();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].latitude, 0.001f);
  EXPECT_EQ(records[0].resolved, kThisMonth);
  EXPECT_EQ(records[1].latitude, 20.0f);
  EXPECT_EQ(records[2].latitude, 0.003f);
  EXPECT_EQ(records[2].resolved, kThisMonth);
  EXPECT_EQ(records[3].latitude, 40.0f);
  EXPECT_EQ(records[3].resolved, kStale);
}

// The sync thread on a device with these dial-up connections up, and one
// record due for a refresh.
class SyncThreadTest : public TowerResolutionTest {
 protected:
  void StartSync(const std::vector<std::string>& connection_names) {
    Json::Value profile;
    for (const std::string& name : connection_names) {
      Json::Value connection;
      connection["name"] = name;
      connection["up"] = true;
      profile["rasConnections"].append(connection);
    }
    UseProfile(profile);
    SetCalendar(2024, 6, 10);
    WriteCache({Cached(1, 10.0f, kStale)});
    GetAppState().settings.sync_period = kPeriod;
    WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, SyncThread, nullptr, 0, nullptr);
    ASSERT_NE(thread_, nullptr);
  }
  void TearDown() override {
    if (thread_) {
      SetFlag(StopRequest);
      SetEvent(StopEvent);
      EXPECT_EQ(WaitForSingleObject(thread_, 100 * kPeriod), WAIT_OBJECT_0);
      CloseHandle(thread_);
    }
    CloseHandle(WakeEvent);
    CloseHandle(StopEvent);
    ClearFlag(StopRequest);
    TowerResolutionTest::TearDown();
  }

  static constexpr DWORD kPeriod = 1000;
  HANDLE thread_ = nullptr;
};

TEST_F(SyncThreadTest, OnlyAConnectionMarkedWithABackQuoteRefreshesTowers) {
  Services services({{1, true}});
  UseProxy(services.port());
  StartSync({"GPRS", "'GPRS", "~GPRS", " `GPRS"});
  // The first cycle comes after two periods; give it several more.
  EXPECT_EQ(WaitForSingleObject(thread_, 10 * kPeriod), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(services.AskedIds().empty());
  EXPECT_EQ(ReadCache()[0].resolved, kStale);
}

TEST_F(SyncThreadTest, AMarkedConnectionRefreshesTheDueTowerThenTheThreadEnds) {
  Services services({{1, true}});
  UseProxy(services.port());
  StartSync({"GPRS", "`Flat rate"});
  // One refresh, then a cycle that finds nothing left: the thread ends by itself.
  ASSERT_EQ(WaitForSingleObject(thread_, 100 * kPeriod), WAIT_OBJECT_0);
  EXPECT_EQ(services.AskedIds(), (std::vector<int32_t>{1}));
  EXPECT_EQ(ReadCache()[0].resolved, kThisMonth);
}

TEST_F(SyncThreadTest, AModeChangeWithoutAWorkerDoesNotCutItsWaitsShort) {
  Services services({{1, true}});
  UseProxy(services.port());
  StartSync({"`Flat rate"});
  // A digit key when no output could be opened: no worker ever resets the
  // wake event, which then stays signalled.
  SetEvent(WakeEvent);
  // The first cycle still comes only after two periods.
  EXPECT_EQ(WaitForSingleObject(thread_, kPeriod), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(services.AskedIds().empty());
}

}  // namespace
}  // namespace kelvane::testing
