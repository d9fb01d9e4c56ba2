// Bridges between ports and host pseudo-terminals.
#include "devmgr/bridge.h"

#include "devmgr/named_device.h"
#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <pegdser.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cwctype>
#include <map>
#include <mutex>
#include <thread>

namespace kelvane {
namespace {

// How long bytes from the host wait for room on the port (device ms).
const DWORD kHostWriteWait = 100;

std::wstring Upper(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return s;
}

bool ProfileBridges(const std::wstring& name) {
  for (const std::string& entry : ReadTexts(MemberOf(Profile(), "bridges"), "bridges"))
    if (Upper(Widen(entry)) == Upper(name)) return true;
  return false;
}

class Bridge {
 public:
  // Null (reported on standard error) when the pseudo-terminal or the link
  // cannot be made.
  static std::unique_ptr<Bridge> Start(const std::wstring& name, KernelObjectPtr port);
  ~Bridge();

 private:
  Bridge() = default;
  void DeviceToHost();
  void HostToDevice();

  KernelObjectPtr port_;
  int master_ = -1, slave_ = -1;
  int stop_[2] = {-1, -1};  // a pipe: written to end the host-side thread
  std::atomic<bool> stopping_{false};
  std::filesystem::path link_;
  std::thread to_host_, to_device_;
};

std::unique_ptr<Bridge> Bridge::Start(const std::wstring& name, KernelObjectPtr port) {
  std::unique_ptr<Bridge> bridge(new Bridge);
  bridge->port_ = std::move(port);
  char slave_name[128];
  termios raw;
  if (openpty(&bridge->master_, &bridge->slave_, slave_name, nullptr, nullptr) != 0 || pipe(bridge->stop_) != 0 ||
      tcgetattr(bridge->slave_, &raw) != 0) {
    std::perror("device: bridge");
    return nullptr;
  }
  cfmakeraw(&raw);
  tcsetattr(bridge->slave_, TCSANOW, &raw);
  fcntl(bridge->master_, F_SETFL, fcntl(bridge->master_, F_GETFL) | O_NONBLOCK);

  std::wstring link_name = name;
  if (!link_name.empty() && link_name.back() == L':') link_name.pop_back();
  bridge->link_ = DeviceRoot() / "dev" / Narrow(link_name);
  std::error_code ec;
  std::filesystem::create_directories(bridge->link_.parent_path(), ec);
  std::filesystem::remove(bridge->link_, ec);
  std::filesystem::create_symlink(slave_name, bridge->link_, ec);
  if (ec) {
    std::fprintf(stderr, "device: bridge link %s: %s\n", bridge->link_.c_str(), ec.message().c_str());
    return nullptr;
  }
  // Reads wait for data without limit; writes give up when the program does
  // not read.
  COMMTIMEOUTS timeouts = {0, 0, 0, 0, kHostWriteWait};
  bridge->port_->IoControl(IOCTL_SERIAL_SET_TIMEOUTS, &timeouts, sizeof(timeouts), nullptr, 0, nullptr);
  bridge->to_host_ = std::thread(&Bridge::DeviceToHost, bridge.get());
  bridge->to_device_ = std::thread(&Bridge::HostToDevice, bridge.get());
  return bridge;
}

Bridge::~Bridge() {
  stopping_ = true;
  // Closing the port's handle ends a read or write blocked in it.
  if (port_) port_->OnLastHandleClosed();
  if (stop_[1] >= 0) (void)!write(stop_[1], "x", 1);
  if (to_host_.joinable()) to_host_.join();
  if (to_device_.joinable()) to_device_.join();
  for (int fd : {master_, slave_, stop_[0], stop_[1]})
    if (fd >= 0) close(fd);
  std::error_code ec;
  if (!link_.empty()) std::filesystem::remove(link_, ec);
}

void Bridge::DeviceToHost() {
  char buffer[1024];
  DWORD n = 0;
  while (!stopping_ && port_->Read(buffer, sizeof(buffer), &n)) {
    // A host side that does not read loses what does not fit, as a serial
    // line without a listener would.
    for (DWORD sent = 0; sent < n;) {
      const ssize_t w = write(master_, buffer + sent, n - sent);
      if (w <= 0) break;
      sent += static_cast<DWORD>(w);
    }
  }
}

void Bridge::HostToDevice() {
  char buffer[1024];
  while (!stopping_) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    const ssize_t r = read(master_, buffer, sizeof(buffer));
    if (r <= 0) continue;  // EAGAIN; the slave side never hangs up, being held open here
    DWORD written = 0;
    // What the program has no room for is dropped once the write gives up.
    port_->Write(buffer, static_cast<DWORD>(r), &written);
  }
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

void StartBridgeIfListed(const std::wstring& name) {
  if (!ProfileBridges(name)) return;
  BridgeTable& t = Bridges();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.bridges.count(Upper(name))) return;
  NamedDevicePtr device = FindDeviceName(name);
  KernelObjectPtr port = device ? device->Open(GENERIC_READ | GENERIC_WRITE, 0) : nullptr;
  if (!port) {
    std::fprintf(stderr, "device: bridge cannot open %ls (%u)\n", name.c_str(), GetLastError());
    return;
  }
  std::unique_ptr<Bridge> bridge = Bridge::Start(name, port);
  if (!bridge) {
    port->OnLastHandleClosed();
    return;
  }
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
