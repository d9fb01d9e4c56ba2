#include "gateway.h"

namespace locserver {
namespace {

const char* RefusalText(UpstreamThrottle::Verdict verdict) {
  switch (verdict) {
    case UpstreamThrottle::Verdict::kRateLimited: return "rate limit: too many upstream requests this second";
    case UpstreamThrottle::Verdict::kDailyCapReached: return "daily cap of upstream requests reached";
    case UpstreamThrottle::Verdict::kBackingOff: return "backing off after an upstream server error";
    case UpstreamThrottle::Verdict::kGo: break;
  }
  return "";
}

}  // namespace

Gateway::Result Gateway::Ask(const std::string& request) {
  const auto now = clocks_.steady();
  if (auto cached = cache_.Find(request, now)) return Result{*cached, Source::kCache};
  const UpstreamThrottle::Verdict verdict = throttle_.Take(now, UtcDay(clocks_.calendar()));
  if (verdict != UpstreamThrottle::Verdict::kGo) {
    GeoAnswer refused;
    refused.detail = RefusalText(verdict);
    return Result{refused, Source::kThrottle};
  }
  const UpstreamReply reply = upstream_.Post(request);
  GeoAnswer answer;
  if (!reply.transferred) {
    answer.detail = reply.error;
  } else {
    answer = ReadGeolocateAnswer(reply.status, reply.body);
  }
  if (reply.transferred && reply.status >= 500) {
    throttle_.NoteServerError(clocks_.steady());
  } else if (reply.transferred) {
    throttle_.NoteHealthy();
  }
  cache_.Store(request, answer, clocks_.steady());
  return Result{answer, Source::kUpstream};
}

}  // namespace locserver
