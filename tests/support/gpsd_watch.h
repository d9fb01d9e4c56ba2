// A client of gpsd's JSON protocol: watches the reports (TPV) gpsd makes
// from the receivers it reads.
#ifndef KELVANE_TESTS_GPSD_WATCH_H
#define KELVANE_TESTS_GPSD_WATCH_H

#include <json/value.h>

#include <string>

namespace kelvane::testing {

class GpsdWatch {
 public:
  // Connects to gpsd on 127.0.0.1:port (retrying while it starts) and
  // enables the JSON watch.
  explicit GpsdWatch(int port);
  ~GpsdWatch();
  bool connected() const { return socket_ >= 0; }
  // The next report of the given class ("TPV"), or false after timeout_ms.
  bool Next(const std::string& report_class, Json::Value* report, int timeout_ms);

 private:
  int socket_ = -1;
  std::string buffer_;
};

}  // namespace kelvane::testing

#endif
