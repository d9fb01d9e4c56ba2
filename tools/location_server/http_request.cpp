#include "http_request.h"

#include <algorithm>
#include <cctype>

namespace locserver {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar); }

bool IsVisible(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u != 0x7f;
  });
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

ParseResult Invalid(int status, std::string reason) {
  ParseResult result;
  result.state = ParseResult::State::kInvalid;
  result.status = status;
  result.reason = std::move(reason);
  return result;
}

// Fills method, target, version, path and query; an empty text on success,
// else the reason (with *status set).
std::string ParseRequestLine(std::string_view line, HttpRequest* request, int* status) {
  *status = 400;
  const size_t first = line.find(' ');
  const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos)
    return "the request line is not METHOD TARGET VERSION";
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!IsToken(method)) return "the method is not a token";
  if (!IsVisible(target)) return "the target is empty or holds blanks or control characters";
  if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || !std::isdigit(static_cast<unsigned char>(version[5])) ||
      version[6] != '.' || !std::isdigit(static_cast<unsigned char>(version[7])))
    return "the version is not HTTP/x.y";
  if (version != "HTTP/1.1" && version != "HTTP/1.0") {
    *status = 505;
    return "only HTTP/1.0 and HTTP/1.1 are spoken here";
  }
  std::string_view path_and_query;
  constexpr std::string_view kScheme = "http://";
  if (target[0] == '/') {
    path_and_query = target;
  } else if (target.size() > kScheme.size() && EqualsIgnoringCase(target.substr(0, kScheme.size()), kScheme)) {
    const std::string_view rest = target.substr(kScheme.size());
    const size_t authority_end = std::min(rest.find('/'), rest.find('?'));
    if (authority_end == 0) return "the absolute target has no host";
    path_and_query = authority_end == std::string_view::npos ? std::string_view() : rest.substr(authority_end);
  } else {
    return "the target is neither a path nor an absolute http:// address";
  }
  const size_t question = path_and_query.find('?');
  std::string_view path = path_and_query.substr(0, question);
  request->path = path.empty() ? "/" : std::string(path);
  request->query = question == std::string_view::npos ? "" : std::string(path_and_query.substr(question + 1));
  request->method = std::string(method);
  request->target = std::string(target);
  request->version = std::string(version);
  return "";
}

// Content-Length: digits only; equal values when repeated.
bool ContentLength(const HttpRequest& request, size_t* length, ParseResult* failure) {
  *length = 0;
  bool seen = false;
  for (const auto& header : request.headers) {
    if (!EqualsIgnoringCase(header.first, "Content-Length")) continue;
    const std::string& value = header.second;
    if (value.empty() || value.size() > 12 || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      *failure = Invalid(400, "Content-Length is not a number");
      return false;
    }
    const size_t parsed = std::stoull(value);
    if (seen && parsed != *length) {
      *failure = Invalid(400, "Content-Length is given twice with different values");
      return false;
    }
    if (parsed > kMaxBodyBytes) {
      *failure = Invalid(413, "the body is larger than " + std::to_string(kMaxBodyBytes) + " bytes");
      return false;
    }
    *length = parsed;
    seen = true;
  }
  return true;
}

}  // namespace

const std::string* HttpRequest::Header(std::string_view name) const {
  for (const auto& header : headers)
    if (EqualsIgnoringCase(header.first, name)) return &header.second;
  return nullptr;
}

bool HttpRequest::WantsClose() const {
  const std::string* connection = Header("Connection");
  if (connection && EqualsIgnoringCase(*connection, "close")) return true;
  return version == "HTTP/1.0" && !(connection && EqualsIgnoringCase(*connection, "keep-alive"));
}

ParseResult ParseHttpRequest(std::string_view data) {
  // Empty lines before a request are ignored, as recipients should.
  size_t head_start = 0;
  while (head_start < data.size() && (data[head_start] == '\r' || data[head_start] == '\n')) ++head_start;

  HttpRequest request;
  size_t cursor = head_start;
  for (bool request_line = true;; request_line = false) {
    const size_t newline = data.find('\n', cursor);
    const size_t limit = head_start + kMaxHeadBytes;
    if (newline == std::string_view::npos || newline >= limit) {
      if (data.size() > limit) return Invalid(431, "the head is longer than " + std::to_string(kMaxHeadBytes) + " bytes");
      return ParseResult{};
    }
    std::string_view line = data.substr(cursor, newline - cursor);
    cursor = newline + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos)
      return Invalid(400, "a bare CR or a NUL byte in the head");
    if (request_line) {
      int status = 400;
      const std::string reason = ParseRequestLine(line, &request, &status);
      if (!reason.empty()) return Invalid(status, reason);
      continue;
    }
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') return Invalid(400, "a folded header line");
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)))
      return Invalid(400, "a header line is not NAME: VALUE");
    request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(TrimBlanks(line.substr(colon + 1))));
  }

  if (request.Header("Transfer-Encoding")) return Invalid(501, "Transfer-Encoding is not supported; send Content-Length");
  ParseResult result;
  size_t length = 0;
  if (!ContentLength(request, &length, &result)) return result;
  if (data.size() - cursor < length) return ParseResult{};
  request.body = std::string(data.substr(cursor, length));
  result.state = ParseResult::State::kComplete;
  result.consumed = cursor + length;
  result.request = std::move(request);
  return result;
}

bool FindQueryValue(std::string_view query, std::string_view name, std::string* value) {
  bool found = false;
  size_t start = 0;
  while (start <= query.size()) {
    const size_t end = std::min(query.find('&', start), query.size());
    const std::string_view pair = query.substr(start, end - start);
    start = end + 1;
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos || pair.substr(0, equals) != name) continue;
    *value = std::string(pair.substr(equals + 1));
    found = true;
  }
  return found;
}

}  // namespace locserver
