// The living service's answers kept in memory for a while, "not found" as
// well as positions, keyed by the request sent (so two requests that would
// send the same bytes share an answer). Failures are never kept. When full,
// expired entries go first, then the oldest. Safe from any number of threads.
#ifndef KELVANE_LOCSERVER_ANSWER_CACHE_H
#define KELVANE_LOCSERVER_ANSWER_CACHE_H

#include "geolocate_protocol.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace locserver {

class AnswerCache {
 public:
  using Clock = std::chrono::steady_clock;

  // A lifetime of zero keeps nothing.
  AnswerCache(std::chrono::milliseconds lifetime, size_t capacity) : lifetime_(lifetime), capacity_(capacity) {}

  std::optional<GeoAnswer> Find(const std::string& request, Clock::time_point now) const;
  // Keeps found and not-found answers; ignores failures.
  void Store(const std::string& request, const GeoAnswer& answer, Clock::time_point now);

 private:
  struct Entry {
    GeoAnswer answer;
    Clock::time_point stored;
  };
  void MakeRoomLocked(Clock::time_point now);

  const std::chrono::milliseconds lifetime_;
  const size_t capacity_;
  mutable std::mutex lock_;
  std::map<std::string, Entry> entries_;
};

}  // namespace locserver

#endif
