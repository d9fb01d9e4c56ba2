// The living geolocation service as the gateway sees it: one JSON request in,
// one HTTP answer (or a transfer failure) out. Implementations must be safe to
// call from any number of threads at once.
#ifndef KELVANE_LOCSERVER_UPSTREAM_H
#define KELVANE_LOCSERVER_UPSTREAM_H

#include <string>

namespace locserver {

struct UpstreamReply {
  bool transferred = false;  // false: no HTTP answer (refused, time-out, TLS); see error
  int status = 0;
  std::string body;
  std::string error;
};

class Upstream {
 public:
  virtual ~Upstream() = default;
  virtual UpstreamReply Post(const std::string& json) = 0;
};

}  // namespace locserver

#endif
