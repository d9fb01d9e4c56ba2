#include "support/gpsd_watch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <json/reader.h>

#include <chrono>
#include <memory>
#include <thread>

namespace kelvane::testing {

GpsdWatch::GpsdWatch(int port) {
  for (int attempt = 0; attempt < 100 && socket_ < 0; ++attempt) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      socket_ = s;
    } else {
      close(s);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  if (socket_ < 0) return;
  const std::string watch = "?WATCH={\"enable\":true,\"json\":true};\n";
  if (send(socket_, watch.data(), watch.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(watch.size())) {
    close(socket_);
    socket_ = -1;
  }
}

GpsdWatch::~GpsdWatch() {
  if (socket_ >= 0) close(socket_);
}

bool GpsdWatch::Next(const std::string& report_class, Json::Value* report, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  for (;;) {
    size_t newline;
    while ((newline = buffer_.find('\n')) != std::string::npos) {
      const std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      Json::Value value;
      if (reader->parse(line.data(), line.data() + line.size(), &value, nullptr) && value.isObject() &&
          value["class"].asString() == report_class) {
        *report = value;
        return true;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || socket_ < 0) return false;
    pollfd p = {socket_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    const ssize_t n = recv(socket_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace kelvane::testing
