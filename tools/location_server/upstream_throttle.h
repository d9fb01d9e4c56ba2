// How often the gateway may ask the living service: at most a number of
// requests in any one second, at most a number in a calendar day (UTC), and
// none for a while after the service answered with a server error; each
// further server error in a row doubles that while, up to 64 times. Safe from
// any number of threads.
#ifndef KELVANE_LOCSERVER_UPSTREAM_THROTTLE_H
#define KELVANE_LOCSERVER_UPSTREAM_THROTTLE_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>

namespace locserver {

struct ThrottleLimits {
  int per_second = 5;
  long per_day = 1000;
  std::chrono::milliseconds backoff{2000};  // after the first server error
};

class UpstreamThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Verdict { kGo, kRateLimited, kDailyCapReached, kBackingOff };

  explicit UpstreamThrottle(ThrottleLimits limits) : limits_(limits) {}

  // May a request go now? kGo counts it against both limits. day: days since
  // the epoch (UTC), which resets the daily count when it changes.
  Verdict Take(Clock::time_point now, int64_t day);
  // What the request's answer says about the service's health.
  void NoteServerError(Clock::time_point now);
  void NoteHealthy();

 private:
  const ThrottleLimits limits_;
  std::mutex lock_;
  std::deque<Clock::time_point> last_second_;
  int64_t day_ = -1;
  long today_ = 0;
  int errors_in_row_ = 0;
  Clock::time_point quiet_until_{};
};

// Days since the epoch, UTC, of a calendar time.
int64_t UtcDay(std::chrono::system_clock::time_point when);

}  // namespace locserver

#endif
