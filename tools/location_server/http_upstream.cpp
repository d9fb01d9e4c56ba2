#include "http_upstream.h"

#include <httplib.h>

#include <chrono>

namespace locserver {

bool SplitUpstreamUrl(const std::string& url, std::string* origin, std::string* path, std::string* error) {
  const size_t scheme_end = url.find("://");
  const std::string scheme = scheme_end == std::string::npos ? "" : url.substr(0, scheme_end);
  if (scheme != "http" && scheme != "https") {
    *error = "upstream URL '" + url + "' does not start with http:// or https://";
    return false;
  }
  const size_t path_start = url.find('/', scheme_end + 3);
  *origin = url.substr(0, path_start);
  *path = path_start == std::string::npos ? "/v1/geolocate" : url.substr(path_start);
  if (origin->size() == scheme_end + 3) {
    *error = "upstream URL '" + url + "' names no host";
    return false;
  }
  return true;
}

HttpUpstream::HttpUpstream(UpstreamConfig config) : config_(std::move(config)) {
  std::string error;
  SplitUpstreamUrl(config_.url, &origin_, &path_, &error);
  if (!config_.key.empty()) path_ += (path_.find('?') == std::string::npos ? "?key=" : "&key=") + config_.key;
}

UpstreamReply HttpUpstream::Post(const std::string& json) {
  httplib::Client client(origin_);
  const auto timeout = std::chrono::milliseconds(config_.timeout_ms);
  client.set_connection_timeout(timeout);
  client.set_read_timeout(timeout);
  client.set_write_timeout(timeout);
  client.enable_server_certificate_verification(true);
  if (!config_.ca_file.empty()) client.set_ca_cert_path(config_.ca_file);

  UpstreamReply reply;
  httplib::Request request;
  request.method = "POST";
  request.path = path_;
  request.headers = {{"User-Agent", config_.user_agent}, {"Accept", "application/json"}};
  request.body = json;
  request.set_header("Content-Type", "application/json");
  bool oversize = false;
  request.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
    oversize = reply.body.size() + length > kMaxUpstreamAnswerBytes;
    if (!oversize) reply.body.append(data, length);
    return !oversize;
  };
  httplib::Response response;
  httplib::Error error = httplib::Error::Success;
  if (!client.send(request, response, error)) {
    reply.error = oversize ? "upstream answer over " + std::to_string(kMaxUpstreamAnswerBytes) + " bytes"
                           : "upstream " + origin_ + ": " + httplib::to_string(error);
    reply.body.clear();
    return reply;
  }
  reply.transferred = true;
  reply.status = response.status;
  return reply;
}

}  // namespace locserver
