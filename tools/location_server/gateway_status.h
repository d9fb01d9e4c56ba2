// What the server did with the location requests it received, by protocol,
// for GET /_status:
//   {"binary":{"asked":3,"local":1,"upstream":1,"cached":0,"not_found":1,"failed":0,"rate_limited":0},
//    "xml":{...},"wifi":{...}}
// asked counts every readable request; each of them then ends as exactly one
// of local (a position from the data files), upstream (a position from the
// living service just now), cached (a position or "not found" remembered from
// an earlier upstream answer), not_found (no source knew it) or failed (the
// upstream could not be asked or did not answer usably). rate_limited counts
// the failures that were the throttle's, not the service's.
// Safe from any number of threads.
#ifndef KELVANE_LOCSERVER_GATEWAY_STATUS_H
#define KELVANE_LOCSERVER_GATEWAY_STATUS_H

#include "http_answer.h"

#include <atomic>
#include <string>

namespace locserver {

enum class Outcome { kAsked, kLocal, kUpstream, kCached, kNotFound, kFailed, kRateLimited, kCount };

class GatewayStatus {
 public:
  void Count(Service service, Outcome outcome);
  std::string ToJson() const;

 private:
  static constexpr int kServices = 3;
  static int Index(Service service);
  std::atomic<long> counts_[kServices][static_cast<int>(Outcome::kCount)] = {};
};

}  // namespace locserver

#endif
