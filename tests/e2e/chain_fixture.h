// The whole chain with real parts: the location server (as the program's
// proxy, answering from data/cells.csv and data/wifi.csv), the program on a
// device whose ports COM5: and GPD0: are bridged, and gpsd reading both.
#ifndef KELVANE_TESTS_E2E_CHAIN_FIXTURE_H
#define KELVANE_TESTS_E2E_CHAIN_FIXTURE_H

#include "support/device_fixture.h"
#include "support/gpsd_watch.h"
#include "support/host_process.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kelvane::testing {

struct Place {
  double latitude;
  double longitude;
};
constexpr Place kFirstCell = {55.751244, 37.618423};   // 250/1/7712/40031 in data/cells.csv
constexpr Place kSecondCell = {55.757000, 37.615000};  // 250/1/7712/40032

class ChainTest : public DeviceTest {
 protected:
  // The profile's bridges and GPS Intermediate Driver, added to `profile`.
  static void AddBridges(Json::Value* profile);
  // The location server's options for the shipped data.
  static std::vector<std::string> ShippedData();
  // Starts the location server with these options and points the program at
  // it as its proxy; `config` is added to config.ini.
  bool StartServer(std::vector<std::string> options = ShippedData(), const std::string& config = "");
  bool StartGpsd();
  // Waits for a 3D fix from the device whose path ends with `port` at place.
  bool FixAt(GpsdWatch& watch, const std::string& port, const Place& place, std::chrono::seconds limit);

  std::unique_ptr<HostProcess> server_;
  std::unique_ptr<HostProcess> gpsd_;
  int gpsd_port_ = 0;
};

}  // namespace kelvane::testing

#endif
