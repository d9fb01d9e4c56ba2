// The way to the living service for requests the local data cannot answer:
// the memory of earlier answers first, then the throttle, then one request.
// A server error makes the throttle hold back further requests for a while.
// Safe from any number of threads; the upstream must outlive the gateway.
#ifndef KELVANE_LOCSERVER_GATEWAY_H
#define KELVANE_LOCSERVER_GATEWAY_H

#include "answer_cache.h"
#include "upstream.h"
#include "upstream_throttle.h"

#include <functional>
#include <string>

namespace locserver {

// Where the gateway reads the time: the monotonic clock for the cache and the
// rate, the calendar for the daily cap. Tests give their own.
struct GatewayClocks {
  std::function<std::chrono::steady_clock::time_point()> steady = [] { return std::chrono::steady_clock::now(); };
  std::function<std::chrono::system_clock::time_point()> calendar = [] { return std::chrono::system_clock::now(); };
};

struct GatewayOptions {
  std::chrono::milliseconds cache_lifetime{std::chrono::hours(1)};
  size_t cache_capacity = 10000;
  ThrottleLimits limits;
};

class Gateway {
 public:
  // How an answer came about, for the status counters.
  enum class Source { kUpstream, kCache, kThrottle };
  struct Result {
    GeoAnswer answer;
    Source source;
  };
  Gateway(Upstream& upstream, const GatewayOptions& options, GatewayClocks clocks = GatewayClocks())
      : upstream_(upstream), cache_(options.cache_lifetime, options.cache_capacity), throttle_(options.limits),
        clocks_(std::move(clocks)) {}

  // request: a geolocate request document (geolocate_protocol.h).
  Result Ask(const std::string& request);

 private:
  Upstream& upstream_;
  AnswerCache cache_;
  UpstreamThrottle throttle_;
  const GatewayClocks clocks_;
};

}  // namespace locserver

#endif
