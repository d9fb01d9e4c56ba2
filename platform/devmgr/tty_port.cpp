// Host serial lines as device ports.
#include "devmgr/tty_port.h"

#include "devmgr/serial_line.h"
#include "internal/last_error.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <pegdser.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace kelvane {
namespace {

// Milliseconds of host time left until `deadline`, rounded up so a wait
// never ends just before it; -1 for no deadline.
int PollTimeout(ReadTimer::Clock::time_point deadline) {
  if (deadline == ReadTimer::Clock::time_point::max()) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - ReadTimer::Clock::now()).count();
  if (left <= 0) return 0;
  return static_cast<int>(std::min<long long>((left + 999) / 1000, 1 << 30));
}

class TtyPort : public SerialLine {
 public:
  explicit TtyPort(int fd) : fd_(fd) {}
  // The exclusive claim goes before the close, so the next open of the line
  // (the next candidate's attempt, the next start) is not refused.
  ~TtyPort() override {
    ioctl(fd_, TIOCNXCL);
    close(fd_);
  }

  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    ReadTimer timer(Timeouts(), count);
    while (!timer.Done(*done)) {
      pollfd p = {fd_, POLLIN, 0};
      const int ready = poll(&p, 1, PollTimeout(timer.Deadline()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return FailFromErrno(errno, FALSE);
      if (ready == 0) continue;  // the time-out is a normal result: Done says so
      const ssize_t n = read(fd_, static_cast<char*>(buffer) + *done, count - *done);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n < 0) return FailFromErrno(errno, FALSE);
      // A pseudo-terminal whose other end is closed reads as end of file:
      // the line is dead, as a modem that hung up.
      if (n == 0) return *done ? TRUE : Fail(ERROR_DEVICE_NOT_AVAILABLE, FALSE);
      *done += static_cast<DWORD>(n);
      timer.Arrived(*done);
    }
    return TRUE;
  }

  BOOL Write(const void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    while (*done < count) {
      const ssize_t n = write(fd_, static_cast<const char*>(buffer) + *done, count - *done);
      if (n < 0 && errno == EINTR) continue;
      // A full output queue is the write time-out's business: what went out counts.
      if (n < 0 && errno == EAGAIN) return TRUE;
      if (n < 0) return FailFromErrno(errno, FALSE);
      *done += static_cast<DWORD>(n);
    }
    return TRUE;
  }

  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override {
    if (!SerialLine::IoControl(code, in, in_size, out, out_size, returned)) return FALSE;
    switch (code) {
      case IOCTL_SERIAL_PURGE: {
        DWORD flags = 0;
        std::memcpy(&flags, in, sizeof flags);
        const bool input = flags & PURGE_RXCLEAR, output = flags & PURGE_TXCLEAR;
        if ((input || output) && tcflush(fd_, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH) != 0)
          return FailFromErrno(errno, FALSE);
        return TRUE;
      }
      case IOCTL_SERIAL_SET_DTR:
        return ChangeModemLine(TIOCMBIS, TIOCM_DTR);
      case IOCTL_SERIAL_CLR_DTR:
        return ChangeModemLine(TIOCMBIC, TIOCM_DTR);
      case IOCTL_SERIAL_SET_RTS:
        return ChangeModemLine(TIOCMBIS, TIOCM_RTS);
      case IOCTL_SERIAL_CLR_RTS:
        return ChangeModemLine(TIOCMBIC, TIOCM_RTS);
      default:
        return TRUE;
    }
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
  // A pseudo-terminal has no modem lines: raising or dropping them there is
  // no failure, as on a line without the wires.
  BOOL ChangeModemLine(unsigned long request, int line) {
    if (ioctl(fd_, request, &line) == 0 || errno == ENOTTY || errno == EINVAL) return TRUE;
    return FailFromErrno(errno, FALSE);
  }

  const int fd_;
};

class TtyDevice : public NamedDevice {
 public:
  explicit TtyDevice(std::string path) : path_(std::move(path)) {}
  KernelObjectPtr Open(DWORD, DWORD) override {
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    // A line another program holds exclusively fails as a port in use.
    if (fd < 0)
      return errno == EBUSY ? Fail(ERROR_ACCESS_DENIED, KernelObjectPtr()) : FailFromErrno(errno, KernelObjectPtr());
    if (ioctl(fd, TIOCEXCL) != 0) {
      const int error = errno;
      close(fd);
      return FailFromErrno(error, KernelObjectPtr());
    }
    termios t;
    if (tcgetattr(fd, &t) == 0) {
      cfmakeraw(&t);
      t.c_cflag |= CLOCAL | CREAD;
      tcsetattr(fd, TCSANOW, &t);
    }
    return std::make_shared<TtyPort>(fd);
  }

 private:
  const std::string path_;
};

}  // namespace

NamedDevicePtr MakeTtyDevice(std::string path) { return std::make_shared<TtyDevice>(std::move(path)); }

}  // namespace kelvane
