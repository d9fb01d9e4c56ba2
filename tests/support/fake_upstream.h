// A living geolocation service as a test plays it: an HTTP or HTTPS server
// on 127.0.0.1 (a free port) in the test's own process, answering
// POST /v1/geolocate as the test scripts it and recording what it received.
// Safe to script from the test while the gateway asks it.
#ifndef KELVANE_TESTS_SUPPORT_FAKE_UPSTREAM_H
#define KELVANE_TESTS_SUPPORT_FAKE_UPSTREAM_H

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace kelvane::testing {

class FakeUpstream {
 public:
  struct Reply {
    int status = 404;
    std::string body = R"({"error":{"errors":[{"reason":"notFound"}],"code":404,"message":"Not found"}})";
    int delay_ms = 0;  // silence before the answer (ends early when the fake stops)
  };
  struct Received {
    std::string target;  // path and query
    std::string user_agent, content_type, body;
  };

  // Plain HTTP; with a certificate and key (PEM files), HTTPS.
  FakeUpstream(const std::string& certificate = "", const std::string& key = "");
  ~FakeUpstream();
  FakeUpstream(const FakeUpstream&) = delete;
  FakeUpstream& operator=(const FakeUpstream&) = delete;

  int port() const { return port_; }
  // http[s]://127.0.0.1:PORT/v1/geolocate
  std::string url() const;

  // Requests whose body contains `needle` get this reply (the first rule
  // that matches); the others the default reply (404 notFound).
  void On(const std::string& needle, Reply reply);
  void Default(Reply reply);
  std::vector<Received> received() const;

  // A found answer: {"location":{"lat":..,"lng":..},"accuracy":..}
  static Reply Found(double latitude, double longitude, double accuracy);

 private:
  Reply Choose(const std::string& body);
  bool Pause(int ms);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = -1;
  bool tls_;
  mutable std::mutex lock_;
  std::condition_variable stopping_;
  bool stopped_ = false;
  std::vector<std::pair<std::string, Reply>> rules_;
  Reply default_;
  std::vector<Received> received_;
};

}  // namespace kelvane::testing

#endif
