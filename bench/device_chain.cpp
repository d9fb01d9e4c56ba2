#include "device_chain.h"

#include <stdlib.h>

#include <json/reader.h>
#include <json/writer.h>

#include <fstream>
#include <set>
#include <utility>

namespace kelvane::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::filesystem::path MakeRoot() {
  char pattern[] = "/tmp/kelvane-chain-XXXXXX";
  if (!mkdtemp(pattern)) return {};
  const std::filesystem::path root = pattern;
  for (const char* folder : {"windows", "Program Files/Kelvane", "dev"})
    std::filesystem::create_directories(root / folder);
  return root;
}

}  // namespace

const char* PortName(ChainPort port) { return port == kProgramPort ? "COM5" : "GPD0"; }

Json::Value DefaultDeviceProfile() {
  std::ifstream in(std::string(KELVANE_SOURCE_DIR) + "/data/default-device.json");
  Json::Value profile;
  Json::CharReaderBuilder builder;
  std::string errors;
  if (!Json::parseFromStream(builder, in, &profile, &errors)) return Json::Value(Json::objectValue);
  return profile;
}

DeviceChain::DeviceChain(const Json::Value& profile, const std::filesystem::path& tower_cache)
    : root_(MakeRoot()) {
  if (root_.empty()) {
    why_not_ready_ = "no device root";
    return;
  }
  std::ofstream(root_ / "device.json") << Json::writeString(Json::StreamWriterBuilder(), profile);
  std::error_code ec;
  if (!tower_cache.empty() && !std::filesystem::copy_file(tower_cache, this->tower_cache(), ec)) {
    why_not_ready_ = "cannot copy " + tower_cache.string() + ": " + ec.message();
    return;
  }

  server_ = std::make_unique<testing::HostProcess>(std::vector<std::string>{
      std::string(KELVANE_BINARY_DIR) + "/tools/location_server/kelvane-locserver", "--port", "0", "--cells",
      std::string(KELVANE_SOURCE_DIR) + "/data/cells.csv", "--wifi",
      std::string(KELVANE_SOURCE_DIR) + "/data/wifi.csv"});
  std::string server_port;
  if (!server_->ReadLine(&server_port, 10000)) {
    why_not_ready_ = "the location server did not start";
    return;
  }
  std::ofstream(root_ / "Program Files/Kelvane/config.ini")
      << "ProxyIP=127.0.0.1\nProxyPort=" << server_port << "\nPort=COM5\n";
}

DeviceChain::~DeviceChain() {
  StopProgram();
  server_.reset();
  std::error_code ec;
  if (!root_.empty()) std::filesystem::remove_all(root_, ec);
}

bool DeviceChain::Ready(std::string* why) const {
  *why = why_not_ready_;
  return why_not_ready_.empty();
}

pid_t DeviceChain::gpsd_pid(ChainPort port) const {
  return static_cast<size_t>(port) < readers_.size() ? readers_[port].gpsd->pid() : -1;
}

FirstFix DeviceChain::StartProgram(std::chrono::seconds limit) {
  FirstFix fix;
  const Clock::time_point start = Clock::now();
  program_ = std::make_unique<testing::ProgramRun>(testing::QuorvanePath(), root_);
  const std::filesystem::path links[] = {root_ / "dev" / PortName(kProgramPort), root_ / "dev" / PortName(kDriverPort)};
  // gpsd opens its devices before it gives up root's rights, so it starts
  // once the links are there (hot-plugged devices would stay unreadable).
  if (!testing::WaitUntil([&] { return std::filesystem::exists(links[0]) && std::filesystem::exists(links[1]); },
                          std::chrono::duration_cast<std::chrono::milliseconds>(limit))) {
    fix.failure = "the bridged ports never appeared";
    return fix;
  }
  for (const std::filesystem::path& link : links) {
    const int gpsd_port = testing::FreeLoopbackPort();
    Reader reader;
    reader.gpsd = std::make_unique<testing::HostProcess>(
        std::vector<std::string>{"gpsd", "-N", "-n", "-b", "-S", std::to_string(gpsd_port), link.string()});
    reader.watch = std::make_unique<testing::GpsdWatch>(gpsd_port);
    if (!reader.watch->connected()) {
      fix.failure = "gpsd does not answer on port " + std::to_string(gpsd_port);
      return fix;
    }
    readers_.push_back(std::move(reader));
  }

  const std::filesystem::path driver_file = root_ / "windows/gpsfile.dat";
  std::error_code ec;
  while (Clock::now() - start < limit && !(fix.ports[0].fix && fix.ports[1].fix)) {
    if (!fix.position_known && std::filesystem::file_size(driver_file, ec) > 0 && !ec)
      fix.position_known = SecondsSince(start);
    for (size_t port = 0; port < readers_.size(); ++port) {
      PortFix& milestones = fix.ports[port];
      Json::Value report;
      // gpsd answers the watch with its device list once it has opened and
      // probed the port; fixes follow. Short waits keep every check close
      // to its moment.
      if (!milestones.gpsd_ready) {
        if (readers_[port].watch->Next("DEVICES", &report, 5)) milestones.gpsd_ready = SecondsSince(start);
      } else if (!milestones.fix && readers_[port].watch->Next("TPV", &report, 5) && report["mode"].asInt() >= 2) {
        milestones.fix = SecondsSince(start);
      }
    }
  }
  if (!fix.ports[0].fix || !fix.ports[1].fix) fix.failure = "no fix from gpsd in time";
  return fix;
}

DeviceChain::Fixes DeviceChain::WatchFixes(std::chrono::seconds duration) {
  Fixes fixes;
  std::set<std::pair<double, double>> places;
  const Clock::time_point end = Clock::now() + duration;
  while (Clock::now() < end) {
    for (Reader& reader : readers_) {
      Json::Value tpv;
      if (!reader.watch->Next("TPV", &tpv, 50) || tpv["mode"].asInt() < 2) continue;
      ++fixes.reports;
      places.insert({tpv["lat"].asDouble(), tpv["lon"].asDouble()});
    }
  }
  fixes.places = static_cast<int>(places.size());
  return fixes;
}

int DeviceChain::StopProgram() {
  // gpsd first: a reader whose port vanishes tries to reopen it.
  readers_.clear();
  if (!program_ || program_->pid() <= 0) return -1;
  program_->Terminate();
  return program_->Wait(std::chrono::seconds(30));
}

}  // namespace kelvane::bench
