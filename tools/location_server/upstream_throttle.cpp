#include "upstream_throttle.h"

#include <algorithm>

namespace locserver {

UpstreamThrottle::Verdict UpstreamThrottle::Take(Clock::time_point now, int64_t day) {
  std::lock_guard<std::mutex> guard(lock_);
  if (now < quiet_until_) return Verdict::kBackingOff;
  if (day != day_) {
    day_ = day;
    today_ = 0;
  }
  if (today_ >= limits_.per_day) return Verdict::kDailyCapReached;
  while (!last_second_.empty() && now - last_second_.front() >= std::chrono::seconds(1)) last_second_.pop_front();
  if (static_cast<long>(last_second_.size()) >= limits_.per_second) return Verdict::kRateLimited;
  last_second_.push_back(now);
  ++today_;
  return Verdict::kGo;
}

void UpstreamThrottle::NoteServerError(Clock::time_point now) {
  std::lock_guard<std::mutex> guard(lock_);
  const int doublings = std::min(errors_in_row_, 6);
  ++errors_in_row_;
  quiet_until_ = std::max(quiet_until_, now + limits_.backoff * (1 << doublings));
}

void UpstreamThrottle::NoteHealthy() {
  std::lock_guard<std::mutex> guard(lock_);
  errors_in_row_ = 0;
}

int64_t UtcDay(std::chrono::system_clock::time_point when) {
  return std::chrono::duration_cast<std::chrono::hours>(when.time_since_epoch()).count() / 24;
}

}  // namespace locserver
