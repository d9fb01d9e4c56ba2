// The GPS Intermediate Driver's port and the handles opened on it.
#include "gpsid/gps_port.h"

#include "devmgr/serial_line.h"
#include "internal/device_clock.h"
#include "internal/last_error.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>

namespace kelvane {

namespace {

// What one handle may hold unread. A program that stops reading loses the
// lines that do not fit, whole, as a receiver's overrun loses bytes; the
// bound is several full readings of the largest driver file.
const size_t kUnreadLimit = 256 * 1024;

}  // namespace

// One handle's view of the port: the bytes offered since it opened.
class GpsPortReader : public SerialLine {
 public:
  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    const DWORD wait = ReadWait(Timeouts(), count);
    std::unique_lock<std::mutex> lock(lock_);
    const auto ready = [this] { return !unread_.empty() || ended_; };
    if (wait == INFINITE)
      arrived_.wait(lock, ready);
    else
      arrived_.wait_until(lock, HostDeadline(wait), ready);
    if (ended_) return Fail(ERROR_INVALID_HANDLE, FALSE);
    // A time-out is a normal result: nothing read.
    const size_t n = std::min<size_t>(count, unread_.size());
    std::memcpy(buffer, unread_.data(), n);
    unread_.erase(0, n);
    *done = static_cast<DWORD>(n);
    return TRUE;
  }

  BOOL Write(const void*, DWORD count, DWORD* done) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (ended_) return Fail(ERROR_INVALID_HANDLE, FALSE);
    *done = count;
    return TRUE;
  }

  void OnLastHandleClosed() override { End(); }

  void Deliver(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    if (ended_ || unread_.size() + bytes.size() > kUnreadLimit) return;
    unread_ += bytes;
    arrived_.notify_all();
  }

  // Wakes every read; calls from now on fail.
  void End() {
    std::lock_guard<std::mutex> guard(lock_);
    ended_ = true;
    arrived_.notify_all();
  }

 private:
  std::mutex lock_;  // guards unread_ and ended_
  std::condition_variable arrived_;
  std::string unread_;
  bool ended_ = false;
};

KernelObjectPtr GpsPort::Open(DWORD, DWORD) {
  std::lock_guard<std::mutex> guard(lock_);
  if (shut_) return Fail(ERROR_DEV_NOT_EXIST, KernelObjectPtr());
  auto reader = std::make_shared<GpsPortReader>();
  readers_.push_back(reader);
  return reader;
}

void GpsPort::Offer(const std::string& bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  // Handles closed since the last offer drop out here.
  readers_.erase(std::remove_if(readers_.begin(), readers_.end(),
                                [&bytes](const std::weak_ptr<GpsPortReader>& entry) {
                                  auto reader = entry.lock();
                                  if (reader) reader->Deliver(bytes);
                                  return !reader;
                                }),
                 readers_.end());
}

void GpsPort::Shut() {
  std::lock_guard<std::mutex> guard(lock_);
  shut_ = true;
  for (const auto& entry : readers_)
    if (auto reader = entry.lock()) reader->End();
  readers_.clear();
}

}  // namespace kelvane
