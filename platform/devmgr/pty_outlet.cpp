// A bridge's pseudo-terminal.
#include "devmgr/pty_outlet.h"

#include "internal/device_clock.h"
#include "internal/device_root.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kelvane {
namespace {

// Unread bytes older than this (device ms) are stale positions: flushed.
const uint64_t kStaleAfter = 2000;
// At most this many unread bytes are kept, well inside what the terminal
// takes without refusing a write (which would tear a line).
const int kMostUnread = 2048;

}  // namespace

std::unique_ptr<PtyOutlet> PtyOutlet::Start(const std::wstring& name, KernelObjectPtr port) {
  std::unique_ptr<PtyOutlet> outlet(new PtyOutlet);
  outlet->port_ = std::move(port);
  char slave_name[128];
  termios raw;
  if (openpty(&outlet->master_, &outlet->slave_, slave_name, nullptr, nullptr) != 0 || pipe(outlet->stop_) != 0 ||
      tcgetattr(outlet->slave_, &raw) != 0) {
    std::perror("device: bridge");
    return nullptr;
  }
  cfmakeraw(&raw);
  tcsetattr(outlet->slave_, TCSANOW, &raw);
  fcntl(outlet->master_, F_SETFL, fcntl(outlet->master_, F_GETFL) | O_NONBLOCK);

  const std::filesystem::path link = DeviceRoot() / "dev" / PortFileName(name);
  std::error_code ec;
  std::filesystem::create_directories(link.parent_path(), ec);
  std::filesystem::remove(link, ec);
  std::filesystem::create_symlink(slave_name, link, ec);
  if (ec) {
    std::fprintf(stderr, "device: bridge link %s: %s\n", link.c_str(), ec.message().c_str());
    return nullptr;
  }
  outlet->link_ = link;
  outlet->unread_since_ = DeviceMilliseconds();
  outlet->to_device_ = std::thread(&PtyOutlet::HostToDevice, outlet.get());
  return outlet;
}

PtyOutlet::~PtyOutlet() {
  if (stop_[1] >= 0) (void)!write(stop_[1], "x", 1);
  if (to_device_.joinable()) to_device_.join();
  for (int fd : {master_, slave_, stop_[0], stop_[1]})
    if (fd >= 0) close(fd);
  std::error_code ec;
  if (!link_.empty()) std::filesystem::remove(link_, ec);
}

void PtyOutlet::Deliver(const std::string& line) {
  int unread = 0;
  const uint64_t now = DeviceMilliseconds();
  if (ioctl(slave_, TIOCINQ, &unread) != 0 || unread == 0) {
    unread_since_ = now;
  } else if (now - unread_since_ > kStaleAfter || unread + static_cast<int>(line.size()) > kMostUnread) {
    // Nobody reads (or too slowly): what waits is old. Everything goes, so
    // the next reader starts on the whole line written next.
    tcflush(slave_, TCIFLUSH);
    unread_since_ = now;
  }
  for (size_t sent = 0; sent < line.size();) {
    const ssize_t w = write(master_, line.data() + sent, line.size() - sent);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      // The terminal is full despite the bound: no torn line stays behind.
      tcflush(slave_, TCIFLUSH);
      return;
    }
    sent += static_cast<size_t>(w);
  }
}

void PtyOutlet::HostToDevice() {
  char buffer[1024];
  for (;;) {
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

}  // namespace kelvane
