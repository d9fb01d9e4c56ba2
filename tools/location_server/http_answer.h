// An answer before it is put on the wire, and the protocol it belongs to
// (which fault rules select by).
#ifndef KELVANE_LOCSERVER_HTTP_ANSWER_H
#define KELVANE_LOCSERVER_HTTP_ANSWER_H

#include <string>

namespace locserver {

enum class Service {
  kNone,        // not a location protocol (unknown path, control)
  kBinaryCell,  // POST /glm/mmap
  kXmlCell,     // GET /cellid_location/
  kWifiJson,    // POST /loc/json
};

struct HttpAnswer {
  int status = 200;
  std::string content_type = "text/plain";
  std::string body;
};

}  // namespace locserver

#endif
