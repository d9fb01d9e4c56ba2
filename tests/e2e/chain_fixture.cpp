#include "chain_fixture.h"

#include "support/program_runner.h"

#include <cmath>
#include <fstream>

namespace kelvane::testing {

using namespace std::chrono_literals;

void ChainTest::AddBridges(Json::Value* profile) {
  (*profile)["bridges"].append("COM5:");
  (*profile)["bridges"].append("GPD0:");
  (*profile)["gpsIntermediateDriver"]["port"] = "GPD0:";
  (*profile)["registry"]["seed"]["HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers"] =
      Json::Value(Json::objectValue);
}

std::vector<std::string> ChainTest::ShippedData() {
  return {"--cells", std::string(KELVANE_SOURCE_DIR) + "/data/cells.csv", "--wifi",
          std::string(KELVANE_SOURCE_DIR) + "/data/wifi.csv"};
}

bool ChainTest::StartServer(std::vector<std::string> options, const std::string& config) {
  options.insert(options.begin(),
                 {std::string(KELVANE_BINARY_DIR) + "/tools/location_server/kelvane-locserver", "--port", "0"});
  server_ = std::make_unique<HostProcess>(options);
  std::string port;
  if (!server_->ReadLine(&port, 10000)) return false;
  std::ofstream(root() / "Program Files/Kelvane/config.ini")
      << "ProxyIP=127.0.0.1\nProxyPort=" << port << "\nPort=COM5\nGpsTimeOut=2000\n" << config;
  return true;
}

bool ChainTest::StartGpsd() {
  gpsd_port_ = FreeLoopbackPort();
  const bool linked = WaitUntil(
      [&] { return std::filesystem::exists(root() / "dev/COM5") && std::filesystem::exists(root() / "dev/GPD0"); },
      30s);
  if (!linked) return false;
  gpsd_ = std::make_unique<HostProcess>(std::vector<std::string>{
      "gpsd", "-N", "-n", "-b", "-S", std::to_string(gpsd_port_), (root() / "dev/COM5").string(),
      (root() / "dev/GPD0").string()});
  return true;
}

bool ChainTest::FixAt(GpsdWatch& watch, const std::string& port, const Place& place, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  Json::Value tpv;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!watch.Next("TPV", &tpv, 1000)) continue;
    const std::string device = tpv["device"].asString();
    if (device.size() < port.size() || device.compare(device.size() - port.size(), port.size(), port) != 0) continue;
    if (tpv["mode"].asInt() == 3 && std::fabs(tpv["lat"].asDouble() - place.latitude) < 1e-5 &&
        std::fabs(tpv["lon"].asDouble() - place.longitude) < 1e-5)
      return true;
  }
  return false;
}

}  // namespace kelvane::testing
