// How an answer goes on the wire: the bytes of the HTTP/1.1 response, in
// steps with pauses, and what happens to the connection after it, once the
// fault rule for the request has shaped them.
#ifndef KELVANE_LOCSERVER_WIRE_PLAN_H
#define KELVANE_LOCSERVER_WIRE_PLAN_H

#include "faults.h"
#include "http_answer.h"

#include <string>
#include <vector>

namespace locserver {

constexpr size_t kOversizeBodyBytes = 5000;

struct WirePlan {
  struct Step {
    int pause_ms;  // host milliseconds before the bytes are sent
    std::string bytes;
  };
  enum class After {
    kKeepAlive,  // read the next request
    kClose,      // close the connection
    kHang,       // send nothing more; wait for the client to close
  };
  std::vector<Step> steps;
  After after = After::kKeepAlive;
};

WirePlan PlanWire(HttpAnswer answer, Service service, const FaultRule& rule, bool close_requested);

}  // namespace locserver

#endif
