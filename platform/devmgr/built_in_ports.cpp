// Ports the profile builds into the device, under "ports":
//   "COM1:": {"kind": "existing"}   a port of the device's own (its name is
//                                   taken, so an activation of it fails);
//                                   opens as a line nobody listens on
//   "VSP2:": {"kind": "foreign"}    a port of another vendor's driver: opens,
//                                   takes writes, has nothing to read
//   "COM3:": {"kind": "tty", "path": "/dev/ttyUSB0"}
//                                   a host serial device (a real modem)
// the GPS Intermediate Driver's port, when the profile gives the device one,
// and the NDIS user-mode I/O device UIO1:, when it has network adapters.
#include "devmgr/named_device.h"
#include "devmgr/ndis_uio.h"
#include "devmgr/serial_line.h"
#include "gpsid/gps_intermediate_driver.h"
#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace kelvane {
namespace {

// A line with nobody on the other end: writes go nowhere, reads find nothing.
class QuietPort : public SerialLine {
 public:
  BOOL Read(void*, DWORD, DWORD* done) override {
    *done = 0;
    return TRUE;
  }
  BOOL Write(const void*, DWORD count, DWORD* done) override {
    *done = count;
    return TRUE;
  }
};

class QuietDevice : public NamedDevice {
 public:
  KernelObjectPtr Open(DWORD, DWORD) override { return std::make_shared<QuietPort>(); }
};

// A host serial device, raw, at the speed the program sets.
class TtyPort : public SerialLine {
 public:
  explicit TtyPort(int fd) : fd_(fd) {}
  ~TtyPort() override { close(fd_); }

  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    const DWORD wait = ReadWait(Timeouts(), count);
    const auto deadline = HostDeadline(wait);
    for (;;) {
      int timeout_ms = -1;
      if (wait != INFINITE) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        timeout_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      pollfd p = {fd_, POLLIN, 0};
      const int ready = poll(&p, 1, timeout_ms);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return FailFromErrno(errno, FALSE);
      if (ready == 0) return TRUE;  // the time-out is a normal result: nothing read
      const ssize_t n = read(fd_, buffer, count);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n < 0) return FailFromErrno(errno, FALSE);
      *done = static_cast<DWORD>(n);
      return TRUE;
    }
  }

  BOOL Write(const void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    while (*done < count) {
      const ssize_t n = write(fd_, static_cast<const char*>(buffer) + *done, count - *done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return FailFromErrno(errno, FALSE);
      *done += static_cast<DWORD>(n);
    }
    return TRUE;
  }

 protected:
  BOOL ApplyLineSettings(const DCB& dcb) override {
    static const struct {
      DWORD baud;
      speed_t speed;
    } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    termios t;
    if (tcgetattr(fd_, &t) != 0) return FailFromErrno(errno, FALSE);
    for (const auto& s : kSpeeds) {
      if (s.baud != dcb.BaudRate) continue;
      cfsetispeed(&t, s.speed);
      cfsetospeed(&t, s.speed);
      if (tcsetattr(fd_, TCSANOW, &t) != 0) return FailFromErrno(errno, FALSE);
      return TRUE;
    }
    return Fail(ERROR_INVALID_PARAMETER, FALSE);
  }

 private:
  const int fd_;
};

class TtyDevice : public NamedDevice {
 public:
  explicit TtyDevice(std::string path) : path_(std::move(path)) {}
  KernelObjectPtr Open(DWORD, DWORD) override {
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return FailFromErrno(errno, KernelObjectPtr());
    termios t;
    if (tcgetattr(fd, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(fd, TCSANOW, &t);
    }
    return std::make_shared<TtyPort>(fd);
  }

 private:
  const std::string path_;
};

}  // namespace

std::vector<std::pair<std::wstring, NamedDevicePtr>> BuiltInPorts() {
  std::vector<std::pair<std::wstring, NamedDevicePtr>> ports;
  // The GPS Intermediate Driver's port comes first: its name is the device's own.
  if (auto gps = StartGpsIntermediateDriver(); gps.second) ports.push_back(std::move(gps));
  if (NamedDevicePtr uio = NdisUioDevice()) ports.emplace_back(L"UIO1:", std::move(uio));
  const Json::Value& list = ProfileSection("ports");
  for (const std::string& name : list.getMemberNames()) {
    const Json::Value& port = MemberOf(list, name);
    const std::string kind = ReadText(MemberOf(port, "kind"), "ports." + name + ".kind", "");
    const std::string path = ReadText(MemberOf(port, "path"), "ports." + name + ".path", "");
    if (name.size() < 2 || name.back() != ':') {
      std::fprintf(stderr, "device: port \"%s\" is not a device name (NAMEn:)\n", name.c_str());
    } else if (kind == "existing" || kind == "foreign") {
      ports.emplace_back(Widen(name), std::make_shared<QuietDevice>());
    } else if (kind == "tty" && !path.empty()) {
      ports.emplace_back(Widen(name), std::make_shared<TtyDevice>(path));
    } else {
      std::fprintf(stderr, "device: port %s has no usable kind (existing, foreign or tty with a path)\n",
                   name.c_str());
    }
  }
  return ports;
}

}  // namespace kelvane
