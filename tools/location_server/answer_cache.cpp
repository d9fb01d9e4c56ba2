#include "answer_cache.h"

#include <algorithm>

namespace locserver {

std::optional<GeoAnswer> AnswerCache::Find(const std::string& request, Clock::time_point now) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = entries_.find(request);
  if (it == entries_.end() || now - it->second.stored >= lifetime_) return std::nullopt;
  return it->second.answer;
}

void AnswerCache::Store(const std::string& request, const GeoAnswer& answer, Clock::time_point now) {
  if (answer.kind == GeoAnswer::Kind::kFailed || lifetime_.count() <= 0 || capacity_ == 0) return;
  std::lock_guard<std::mutex> guard(lock_);
  entries_.erase(request);
  MakeRoomLocked(now);
  entries_.emplace(request, Entry{answer, now});
}

void AnswerCache::MakeRoomLocked(Clock::time_point now) {
  if (entries_.size() < capacity_) return;
  for (auto it = entries_.begin(); it != entries_.end();)
    it = now - it->second.stored >= lifetime_ ? entries_.erase(it) : std::next(it);
  while (entries_.size() >= capacity_) {
    const auto oldest = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
      return a.second.stored < b.second.stored;
    });
    entries_.erase(oldest);
  }
}

}  // namespace locserver
