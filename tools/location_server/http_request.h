// HTTP/1.1 requests as the server reads them from a connection: the parser
// looks at the bytes received so far and says whether they hold a complete
// request, need more, or can never become one.
//
// Both origin-form ("POST /glm/mmap HTTP/1.1") and absolute-form targets
// ("POST http://host/glm/mmap HTTP/1.1", as clients send to a proxy) are
// accepted; path and query are split from either. A body is framed by
// Content-Length only (a request with Transfer-Encoding is refused).
//
// The result depends only on the bytes given: once a prefix of a stream is
// complete or invalid, every longer prefix gives the same result.
#ifndef KELVANE_LOCSERVER_HTTP_REQUEST_H
#define KELVANE_LOCSERVER_HTTP_REQUEST_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace locserver {

constexpr size_t kMaxHeadBytes = 16384;
constexpr size_t kMaxBodyBytes = 1 << 20;

struct HttpRequest {
  std::string method, target, version;
  std::string path, query;  // query without its '?'
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header of that name (any case), or null.
  const std::string* Header(std::string_view name) const;
  // The client asked to close the connection after the answer.
  bool WantsClose() const;
};

struct ParseResult {
  enum class State { kIncomplete, kComplete, kInvalid };
  State state = State::kIncomplete;
  size_t consumed = 0;  // kComplete: the request's length in bytes
  int status = 0;       // kInvalid: the status to answer with
  std::string reason;   // kInvalid: what is wrong, for the answer's body
  HttpRequest request;  // kComplete
};

ParseResult ParseHttpRequest(std::string_view data);

// The value of name=value in a query (pairs separated by '&'; the last one
// wins, as written, without percent decoding); false when it is not there.
bool FindQueryValue(std::string_view query, std::string_view name, std::string* value);

}  // namespace locserver

#endif
