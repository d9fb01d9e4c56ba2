// A bridge's TCP listening socket.
#include "devmgr/tcp_outlet.h"

#include "internal/device_root.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kelvane {
namespace {

// What one client may have waiting; beyond it its oldest lines go.
const size_t kMostQueued = 8192;
// The kernel's own send buffer is kept small too, or a client that stops
// reading would later find seconds of old positions there.
const int kSendBuffer = 4096;

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

std::unique_ptr<TcpOutlet> TcpOutlet::Start(const std::wstring& name, const std::string& address, uint16_t port) {
  std::unique_ptr<TcpOutlet> outlet(new TcpOutlet);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1) {
    std::fprintf(stderr, "device: bridge of %ls: \"%s\" is no IPv4 address\n", name.c_str(), address.c_str());
    return nullptr;
  }
  outlet->listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  socklen_t length = sizeof at;
  if (outlet->listener_ < 0 || setsockopt(outlet->listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(outlet->listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(outlet->listener_, 16) != 0 ||
      getsockname(outlet->listener_, reinterpret_cast<sockaddr*>(&at), &length) != 0 || pipe(outlet->wake_) != 0) {
    std::fprintf(stderr, "device: bridge of %ls on %s:%u: %s\n", name.c_str(), address.c_str(), port,
                 std::strerror(errno));
    return nullptr;
  }
  SetNonBlocking(outlet->listener_);
  SetNonBlocking(outlet->wake_[0]);
  SetNonBlocking(outlet->wake_[1]);  // Deliver never waits on a full pipe

  outlet->address_file_ = DeviceRoot() / "dev" / (PortFileName(name) + ".tcp");
  std::error_code ec;
  std::filesystem::create_directories(outlet->address_file_.parent_path(), ec);
  std::ofstream(outlet->address_file_) << address << ':' << ntohs(at.sin_port) << '\n';
  outlet->server_ = std::thread(&TcpOutlet::Serve, outlet.get());
  return outlet;
}

TcpOutlet::~TcpOutlet() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
  if (server_.joinable()) server_.join();
  for (const Client& client : clients_) close(client.fd);
  for (int fd : {listener_, wake_[0], wake_[1]})
    if (fd >= 0) close(fd);
  std::error_code ec;
  if (!address_file_.empty()) std::filesystem::remove(address_file_, ec);
}

void TcpOutlet::Deliver(const std::string& line) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (Client& client : clients_) {
      client.lines.push_back(line);
      client.queued += line.size();
      // The oldest lines go; a line already partly sent stays, so the
      // client never sees a torn one.
      const size_t keep_front = client.front_sent > 0 ? 1 : 0;
      while (client.queued > kMostQueued && client.lines.size() > keep_front + 1) {
        const auto oldest = client.lines.begin() + static_cast<long>(keep_front);
        client.queued -= oldest->size();
        client.lines.erase(oldest);
      }
    }
  }
  (void)!write(wake_[1], "x", 1);  // a full pipe already wakes the server
}

void TcpOutlet::Serve() {
  std::vector<pollfd> fds;
  for (;;) {
    fds.assign({{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}});
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (stopping_) return;
      for (const Client& client : clients_)
        fds.push_back({client.fd, static_cast<short>(POLLIN | (client.lines.empty() ? 0 : POLLOUT)), 0});
    }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      std::perror("device: bridge TCP");
      return;
    }
    char drain[256];
    while (read(wake_[0], drain, sizeof drain) > 0) {
    }
    std::lock_guard<std::mutex> guard(lock_);
    // Only this thread adds or removes clients, so clients_[i] is still the
    // client polled as fds[i + 2].
    size_t kept = 0;
    for (size_t i = 0; i < clients_.size(); ++i) {
      Client& client = clients_[i];
      const short events = fds[i + 2].revents;
      bool alive = !(events & (POLLERR | POLLNVAL));
      if (alive && (events & (POLLIN | POLLHUP))) {
        char ignored[512];
        const ssize_t r = recv(client.fd, ignored, sizeof ignored, MSG_DONTWAIT);
        alive = r > 0 || (r < 0 && (errno == EAGAIN || errno == EINTR));
      }
      if (alive) alive = Send(client);
      if (!alive) {
        close(client.fd);
        continue;
      }
      if (kept != i) clients_[kept] = std::move(client);
      ++kept;
    }
    clients_.resize(kept);
    if (fds[0].revents & POLLIN) Accept();
  }
}

// Called with lock_ held.
void TcpOutlet::Accept() {
  for (;;) {
    const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN: no more waiting; a failed accept leaves nothing behind
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    Client client;
    client.fd = fd;
    clients_.push_back(std::move(client));
  }
}

// Called with lock_ held.
bool TcpOutlet::Send(Client& client) {
  while (!client.lines.empty()) {
    const std::string& front = client.lines.front();
    const size_t left = front.size() - client.front_sent;
    const ssize_t w = send(client.fd, front.data() + client.front_sent, left, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.front_sent += static_cast<size_t>(w);
    if (client.front_sent < front.size()) return true;
    client.queued -= front.size();
    client.lines.pop_front();
    client.front_sent = 0;
  }
  return true;
}

}  // namespace kelvane
