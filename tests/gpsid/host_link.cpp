#include "gpsid/host_link.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kelvane::testing {

std::string WaitForLink(const std::filesystem::path& link, int host_seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(host_seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
    if (!ec) return target.string();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

int OpenLink(const std::filesystem::path& link) { return open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); }

std::string HostReadUntil(int fd, const std::string& until) {
  std::string got;
  char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.find(until) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 1000) < 0) break;
    if (!(p.revents & POLLIN)) continue;
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

}  // namespace kelvane::testing
