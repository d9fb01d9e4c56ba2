// Bridges between ports and host programs.
#include "devmgr/bridge.h"

#include "devmgr/bridge_outlet.h"
#include "devmgr/named_device.h"
#include "devmgr/pty_outlet.h"
#include "devmgr/tcp_outlet.h"
#include "internal/device_root.h"
#include "internal/leftovers.h"
#include "internal/profile_value.h"

#include <pegdser.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwctype>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane {
namespace {

// The registered NMEA 0183 port, on loopback: nothing outside the host.
const char kDefaultTcpAddress[] = "127.0.0.1";
const uint16_t kDefaultTcpPort = 10110;
// How long bytes from the host wait for room on the port (device ms).
const DWORD kHostWriteWait = 100;
// Output without a line end longer than this is passed on as it stands.
const size_t kLongestLine = 4096;

std::wstring Upper(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return s;
}

// One entry of the profile's "bridges": a port name (a pseudo-terminal), or
// {"name": "COM5:", "kind": "pty" | "tcp", "address": ..., "port": ...}.
struct OutletConfig {
  bool tcp = false;
  std::string address = kDefaultTcpAddress;
  uint16_t port = kDefaultTcpPort;
};

std::vector<OutletConfig> ProfileOutlets(const std::wstring& name) {
  std::vector<OutletConfig> configs;
  const Json::Value& list = MemberOf(Profile(), "bridges");
  if (list.isNull()) return configs;
  if (!list.isArray()) {
    ReportProfileProblem("\"bridges\" must be a list");
    return configs;
  }
  for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
    const Json::Value& entry = list[i];
    const std::string path = "bridges[" + std::to_string(i) + "]";
    OutletConfig config;
    std::string port_name;
    if (entry.isString()) {
      port_name = entry.asString();
    } else if (entry.isObject()) {
      port_name = ReadText(MemberOf(entry, "name"), path + ".name", "");
      const std::string kind = ReadText(MemberOf(entry, "kind"), path + ".kind", "pty");
      if (kind != "pty" && kind != "tcp") {
        ReportProfileProblem("\"" + path + ".kind\" must be \"pty\" or \"tcp\"");
        continue;
      }
      config.tcp = kind == "tcp";
      config.address = ReadText(MemberOf(entry, "address"), path + ".address", kDefaultTcpAddress);
      config.port = static_cast<uint16_t>(ReadCount(MemberOf(entry, "port"), path + ".port", kDefaultTcpPort, 65535));
    } else {
      ReportProfileProblem("\"" + path + "\" must be a port name or an object");
      continue;
    }
    if (Upper(Widen(port_name)) == Upper(name)) configs.push_back(config);
  }
  return configs;
}

class Bridge {
 public:
  // Null when none of the outlets could be made (each failure is reported
  // on standard error).
  static std::unique_ptr<Bridge> Start(const std::wstring& name, KernelObjectPtr port,
                                       const std::vector<OutletConfig>& configs);
  ~Bridge();

 private:
  Bridge() = default;
  void DeviceToHost();
  void Deliver(const std::string& line);

  KernelObjectPtr port_;
  std::string file_name_;  // the port's name under ROOT/dev
  std::vector<std::unique_ptr<BridgeOutlet>> outlets_;
  std::atomic<bool> stopping_{false};
  std::thread to_host_;
};

std::unique_ptr<Bridge> Bridge::Start(const std::wstring& name, KernelObjectPtr port,
                                      const std::vector<OutletConfig>& configs) {
  std::unique_ptr<Bridge> bridge(new Bridge);
  bridge->port_ = std::move(port);
  bridge->file_name_ = PortFileName(name);
  RemoveOrphanedPortFiles();
  MarkPortOwner(bridge->file_name_, true);
  // Reads wait for data without limit; writes give up when the program does
  // not read.
  COMMTIMEOUTS timeouts = {0, 0, 0, 0, kHostWriteWait};
  bridge->port_->IoControl(IOCTL_SERIAL_SET_TIMEOUTS, &timeouts, sizeof(timeouts), nullptr, 0, nullptr);
  bool pty_made = false;
  for (const OutletConfig& config : configs) {
    std::unique_ptr<BridgeOutlet> outlet;
    if (config.tcp) {
      outlet = TcpOutlet::Start(name, config.address, config.port);
    } else if (!pty_made) {  // one pseudo-terminal per port, however often listed
      outlet = PtyOutlet::Start(name, bridge->port_);
      pty_made = true;
    }
    if (outlet) bridge->outlets_.push_back(std::move(outlet));
  }
  if (bridge->outlets_.empty()) return nullptr;
  bridge->to_host_ = std::thread(&Bridge::DeviceToHost, bridge.get());
  return bridge;
}

Bridge::~Bridge() {
  stopping_ = true;
  // Closing the port's handle ends a read or write blocked in it.
  if (port_) port_->OnLastHandleClosed();
  if (to_host_.joinable()) to_host_.join();
  outlets_.clear();
  MarkPortOwner(file_name_, false);
}

void Bridge::DeviceToHost() {
  char buffer[1024];
  std::string pending;  // the start of a line whose end has not come yet
  DWORD n = 0;
  while (!stopping_ && port_->Read(buffer, sizeof(buffer), &n)) {
    pending.append(buffer, n);
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
      Deliver(pending.substr(start, end + 1 - start));
    pending.erase(0, start);
    if (pending.size() > kLongestLine) {
      Deliver(pending);
      pending.clear();
    }
  }
}

void Bridge::Deliver(const std::string& line) {
  for (const std::unique_ptr<BridgeOutlet>& outlet : outlets_) outlet->Deliver(line);
}

struct BridgeTable {
  std::mutex lock;
  std::map<std::wstring, std::unique_ptr<Bridge>> bridges;  // by upper-case name
};

BridgeTable& Bridges() {
  static BridgeTable* table = new BridgeTable;  // bridges run until the process ends
  return *table;
}

}  // namespace

std::string PortFileName(const std::wstring& port) {
  std::wstring name = port;
  if (!name.empty() && name.back() == L':') name.pop_back();
  return Narrow(name);
}

void StartBridgeIfListed(const std::wstring& name) {
  const std::vector<OutletConfig> configs = ProfileOutlets(name);
  if (configs.empty()) return;
  BridgeTable& t = Bridges();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.bridges.count(Upper(name))) return;
  NamedDevicePtr device = FindDeviceName(name);
  KernelObjectPtr port = device ? device->Open(GENERIC_READ | GENERIC_WRITE, 0) : nullptr;
  if (!port) {
    std::fprintf(stderr, "device: bridge cannot open %ls (%u)\n", name.c_str(), GetLastError());
    return;
  }
  std::unique_ptr<Bridge> bridge = Bridge::Start(name, port, configs);
  if (!bridge) return;  // the bridge closed its handle of the port as it went
  t.bridges.emplace(Upper(name), std::move(bridge));
}

void StopBridge(const std::wstring& name) {
  std::unique_ptr<Bridge> bridge;
  {
    BridgeTable& t = Bridges();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.bridges.find(Upper(name));
    if (it == t.bridges.end()) return;
    bridge = std::move(it->second);
    t.bridges.erase(it);
  }
}

}  // namespace kelvane
