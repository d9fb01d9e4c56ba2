// The gateway's policy on a scripted upstream and a hand-turned clock: what
// is remembered and for how long, how many requests may go, the pause after
// server errors, and the same under many threads at once.
#include "gateway.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using locserver::Gateway;
using locserver::GeoAnswer;
using locserver::UpstreamReply;
using namespace std::chrono_literals;
using Kind = GeoAnswer::Kind;

const char kFound[] = R"({"location":{"lat":55.75,"lng":37.61},"accuracy":100})";

// Answers by request text; counts what it was asked.
class ScriptedUpstream : public locserver::Upstream {
 public:
  void Script(const std::string& request, UpstreamReply reply) {
    std::lock_guard<std::mutex> guard(lock_);
    replies_[request] = std::move(reply);
  }
  UpstreamReply Post(const std::string& json) override {
    std::lock_guard<std::mutex> guard(lock_);
    ++asked_[json];
    const auto it = replies_.find(json);
    return it == replies_.end() ? UpstreamReply{true, 404, "", ""} : it->second;
  }
  int Asked(const std::string& request) {
    std::lock_guard<std::mutex> guard(lock_);
    return asked_[request];
  }
  int AskedInAll() {
    std::lock_guard<std::mutex> guard(lock_);
    int all = 0;
    for (const auto& entry : asked_) all += entry.second;
    return all;
  }

 private:
  std::mutex lock_;
  std::map<std::string, UpstreamReply> replies_;
  std::map<std::string, int> asked_;
};

class GatewayPolicyTest : public ::testing::Test {
 protected:
  std::unique_ptr<Gateway> Make(locserver::GatewayOptions options) {
    locserver::GatewayClocks clocks;
    clocks.steady = [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(now_ms_.load())); };
    clocks.calendar = [this] { return std::chrono::system_clock::time_point(std::chrono::hours(24 * day_.load())); };
    return std::make_unique<Gateway>(upstream_, options, clocks);
  }
  static locserver::GatewayOptions Generous() {
    locserver::GatewayOptions options;
    options.cache_lifetime = 60s;
    options.limits = {1000, 100000, 1000ms};
    return options;
  }

  ScriptedUpstream upstream_;
  std::atomic<long> now_ms_{1000000};
  std::atomic<long> day_{20000};
};

TEST_F(GatewayPolicyTest, PositionsAndNotFoundAreRememberedForTheirLifetimeButFailuresAreNot) {
  auto gateway = Make(Generous());
  upstream_.Script("known", {true, 200, kFound, ""});
  upstream_.Script("broken", {true, 200, "not json", ""});

  EXPECT_EQ(gateway->Ask("known").source, Gateway::Source::kUpstream);
  const Gateway::Result again = gateway->Ask("known");
  EXPECT_EQ(again.source, Gateway::Source::kCache);
  EXPECT_EQ(again.answer.kind, Kind::kFound);
  EXPECT_DOUBLE_EQ(again.answer.latitude, 55.75);

  EXPECT_EQ(gateway->Ask("unknown").answer.kind, Kind::kNotFound);
  EXPECT_EQ(gateway->Ask("unknown").source, Gateway::Source::kCache);

  EXPECT_EQ(gateway->Ask("broken").answer.kind, Kind::kFailed);
  EXPECT_EQ(gateway->Ask("broken").source, Gateway::Source::kUpstream);
  EXPECT_EQ(upstream_.Asked("broken"), 2);

  now_ms_ += 59999;
  EXPECT_EQ(gateway->Ask("known").source, Gateway::Source::kCache);
  now_ms_ += 1;
  EXPECT_EQ(gateway->Ask("known").source, Gateway::Source::kUpstream);
  EXPECT_EQ(upstream_.Asked("known"), 2);
  EXPECT_EQ(upstream_.Asked("unknown"), 1);
}

TEST_F(GatewayPolicyTest, AFullCacheMakesRoomByDroppingTheOldest) {
  locserver::GatewayOptions options = Generous();
  options.cache_capacity = 2;
  auto gateway = Make(options);
  for (const char* request : {"a", "b", "c"}) {
    gateway->Ask(request);
    now_ms_ += 10;
  }
  EXPECT_EQ(gateway->Ask("c").source, Gateway::Source::kCache);
  EXPECT_EQ(gateway->Ask("b").source, Gateway::Source::kCache);
  EXPECT_EQ(gateway->Ask("a").source, Gateway::Source::kUpstream);
}

TEST_F(GatewayPolicyTest, NoMoreThanTheRateGoesInAnySecondNorTheCapInADay) {
  locserver::GatewayOptions options = Generous();
  options.limits.per_second = 2;
  options.limits.per_day = 5;
  auto gateway = Make(options);
  EXPECT_EQ(gateway->Ask("1").source, Gateway::Source::kUpstream);
  now_ms_ += 500;
  EXPECT_EQ(gateway->Ask("2").source, Gateway::Source::kUpstream);
  const Gateway::Result refused = gateway->Ask("3");
  EXPECT_EQ(refused.source, Gateway::Source::kThrottle);
  EXPECT_EQ(refused.answer.kind, Kind::kFailed);
  EXPECT_NE(refused.answer.detail.find("rate limit"), std::string::npos) << refused.answer.detail;
  now_ms_ += 500;  // the first request is a second old now
  EXPECT_EQ(gateway->Ask("3").source, Gateway::Source::kUpstream);
  now_ms_ += 1000;
  EXPECT_EQ(gateway->Ask("4").source, Gateway::Source::kUpstream);
  EXPECT_EQ(gateway->Ask("5").source, Gateway::Source::kUpstream);
  now_ms_ += 1000;
  const Gateway::Result capped = gateway->Ask("6");
  EXPECT_EQ(capped.source, Gateway::Source::kThrottle);
  EXPECT_NE(capped.answer.detail.find("daily cap"), std::string::npos) << capped.answer.detail;
  ++day_;
  EXPECT_EQ(gateway->Ask("6").source, Gateway::Source::kUpstream);
  EXPECT_EQ(upstream_.AskedInAll(), 6);
}

TEST_F(GatewayPolicyTest, ServerErrorsHoldRequestsBackLongerEachTimeUntilTheServiceIsWell) {
  auto gateway = Make(Generous());  // back-off 1 s
  upstream_.Script("sick", {true, 503, "", ""});
  upstream_.Script("well", {true, 200, kFound, ""});
  EXPECT_EQ(gateway->Ask("sick").source, Gateway::Source::kUpstream);
  now_ms_ += 999;
  EXPECT_EQ(gateway->Ask("well").source, Gateway::Source::kThrottle);
  now_ms_ += 1;
  EXPECT_EQ(gateway->Ask("sick").source, Gateway::Source::kUpstream);  // second error: 2 s
  now_ms_ += 1999;
  EXPECT_EQ(gateway->Ask("well").source, Gateway::Source::kThrottle);
  now_ms_ += 1;
  EXPECT_EQ(gateway->Ask("well").answer.kind, Kind::kFound);
  EXPECT_EQ(gateway->Ask("sick").source, Gateway::Source::kUpstream);  // after a good answer: 1 s again
  now_ms_ += 1000;
  EXPECT_EQ(gateway->Ask("other").source, Gateway::Source::kUpstream);
  // Client errors and transfer failures say nothing about the service's load.
  upstream_.Script("bad key", {true, 400, "", ""});
  upstream_.Script("cut", {false, 0, "", "time-out"});
  EXPECT_EQ(gateway->Ask("bad key").answer.kind, Kind::kFailed);
  EXPECT_EQ(gateway->Ask("cut").answer.detail, "time-out");
  EXPECT_EQ(gateway->Ask("another").source, Gateway::Source::kUpstream);
}

TEST_F(GatewayPolicyTest, ManyThreadsAtOnceKeepTheRateAndShareTheCache) {
  locserver::GatewayOptions options = Generous();
  options.limits.per_second = 10;
  auto gateway = Make(options);
  upstream_.Script("shared", {true, 200, kFound, ""});
  std::atomic<int> went{0}, throttled{0}, cached{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        const Gateway::Result r = gateway->Ask(i % 5 == 0 ? "shared" : std::to_string(t) + "/" + std::to_string(i));
        (r.source == Gateway::Source::kUpstream ? went : r.source == Gateway::Source::kCache ? cached : throttled)++;
        if (r.source == Gateway::Source::kCache) {
          EXPECT_EQ(r.answer.kind, Kind::kFound);
        }
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(went.load(), 10);  // the clock stands still: one second's worth
  EXPECT_EQ(upstream_.AskedInAll(), 10);
  EXPECT_EQ(went + throttled + cached, 200);
  EXPECT_GT(throttled.load(), 0);
}

}  // namespace
