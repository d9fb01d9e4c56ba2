#include "support/fake_upstream.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>

namespace kelvane::testing {

FakeUpstream::FakeUpstream(const std::string& certificate, const std::string& key) : tls_(!certificate.empty()) {
  if (tls_) {
    server_ = std::make_unique<httplib::SSLServer>(certificate.c_str(), key.c_str());
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  server_->Post("/v1/geolocate", [this](const httplib::Request& request, httplib::Response& response) {
    Reply reply;
    {
      std::lock_guard<std::mutex> guard(lock_);
      received_.push_back({request.target, request.get_header_value("User-Agent"),
                           request.get_header_value("Content-Type"), request.body});
      reply = Choose(request.body);
    }
    if (reply.delay_ms > 0 && !Pause(reply.delay_ms)) return;
    response.status = reply.status;
    response.set_content(reply.body, "application/json");
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only ends a server that runs: wait until it does.
  for (int tries = 0; tries < 1000 && !server_->is_running(); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

FakeUpstream::~FakeUpstream() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopped_ = true;
  }
  stopping_.notify_all();
  server_->stop();
  thread_.join();
}

std::string FakeUpstream::url() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/v1/geolocate";
}

void FakeUpstream::On(const std::string& needle, Reply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_.emplace_back(needle, std::move(reply));
}

void FakeUpstream::Default(Reply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  default_ = std::move(reply);
}

std::vector<FakeUpstream::Received> FakeUpstream::received() const {
  std::lock_guard<std::mutex> guard(lock_);
  return received_;
}

FakeUpstream::Reply FakeUpstream::Found(double latitude, double longitude, double accuracy) {
  char body[160];
  std::snprintf(body, sizeof body, R"({"location":{"lat":%.7f,"lng":%.7f},"accuracy":%.1f})", latitude, longitude,
                accuracy);
  return Reply{200, body, 0};
}

FakeUpstream::Reply FakeUpstream::Choose(const std::string& body) {
  for (const auto& [needle, reply] : rules_)
    if (body.find(needle) != std::string::npos) return reply;
  return default_;
}

bool FakeUpstream::Pause(int ms) {
  std::unique_lock<std::mutex> guard(lock_);
  return !stopping_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopped_; });
}

}  // namespace kelvane::testing
