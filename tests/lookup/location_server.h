// The location server (tools/location_server) run by a test: started with
// the given cells and fault rules, on a free loopback port, and stopped when
// the object goes.
#ifndef KELVANE_TESTS_LOOKUP_LOCATION_SERVER_H
#define KELVANE_TESTS_LOOKUP_LOCATION_SERVER_H

#include <stdint.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/host_process.h"

namespace kelvane::testing {

class LocationServer {
 public:
  // cells_csv: the rows after the header of the public cell-export columns.
  LocationServer(const std::filesystem::path& folder, const std::string& cells_csv,
                 const std::vector<std::string>& faults = {});
  ~LocationServer();
  LocationServer(const LocationServer&) = delete;
  LocationServer& operator=(const LocationServer&) = delete;

  uint16_t port() const { return port_; }
  // The request lines of the requests received so far, in order.
  std::vector<std::string> RequestLines() const;

 private:
  std::unique_ptr<HostProcess> process_;
  uint16_t port_ = 0;
  std::filesystem::path log_path_;
};

}  // namespace kelvane::testing

#endif
