// The location server's HTTP/1.1 listener: POSIX sockets, one thread per
// connection, keep-alive between requests.
//
// cpp-httplib is not used here: the faults the tests need are made of the
// very bytes such a library writes by itself (it always sends a correct
// Content-Length and exactly the body, and answers whole), the request log
// needs the bytes as received, and absolute-form targets must reach the router
// as sent. A small server that owns every byte is simpler than bending the
// library; the tests use cpp-httplib as an independent client instead.
#ifndef KELVANE_LOCSERVER_SERVER_H
#define KELVANE_LOCSERVER_SERVER_H

#include "control.h"
#include "location_service.h"
#include "map_page.h"
#include "wire_plan.h"

#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace locserver {

class Server {
 public:
  // Everything given must outlive the server.
  Server(const LocationService& service, const MapPage& map, FaultPlan& faults, RequestLog& log,
         const GatewayStatus& status);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens; returns the port bound (port 0 picks a free one), or
  // -1 with *error.
  int Listen(const std::string& address, int port, std::string* error);
  // Serves until Stop; returns when every connection has ended.
  void Run();
  // From any thread: makes Run return, ending open connections and pauses at once.
  void Stop();

 private:
  struct Connection {
    int fd;
    bool done = false;
    std::thread thread;
  };

  void Serve(Connection* connection);
  WirePlan::After Handle(int fd, const HttpRequest& request, const std::string& raw);
  bool Send(int fd, const WirePlan& plan);
  // Waits host milliseconds; false when the server is stopping.
  bool Pause(int ms);
  void ReapFinishedLocked();

  const LocationService& service_;
  const MapPage& map_;
  FaultPlan& faults_;
  RequestLog& log_;
  const GatewayStatus& status_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::mutex lock_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::list<Connection> connections_;
};

}  // namespace locserver

#endif
