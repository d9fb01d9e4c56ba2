// The upstream over HTTP or HTTPS with cpp-httplib (the only file that
// includes it). A connection per request: requests are few and far between,
// and nothing is shared between threads. Certificates are checked against the
// system's store, or against ca_file when one is given.
#ifndef KELVANE_LOCSERVER_HTTP_UPSTREAM_H
#define KELVANE_LOCSERVER_HTTP_UPSTREAM_H

#include "upstream.h"

#include <cstddef>
#include <string>

namespace locserver {

// A service answer larger than this is refused rather than kept.
constexpr size_t kMaxUpstreamAnswerBytes = 65536;

struct UpstreamConfig {
  std::string url;         // http[s]://host[:port][/path]; path default /v1/geolocate
  std::string key;         // sent as ?key=KEY when not empty
  std::string user_agent;  // names the program and its version
  std::string ca_file;     // HTTPS: trust these certificates instead of the system's
  int timeout_ms = 3000;   // for connecting, and for each read and write
};

// Splits a URL into "scheme://host:port" and a path; false with *error.
bool SplitUpstreamUrl(const std::string& url, std::string* origin, std::string* path, std::string* error);

class HttpUpstream : public Upstream {
 public:
  // The URL must have passed SplitUpstreamUrl.
  explicit HttpUpstream(UpstreamConfig config);
  UpstreamReply Post(const std::string& json) override;

 private:
  UpstreamConfig config_;
  std::string origin_, path_;
};

}  // namespace locserver

#endif
