// A client handle's answer queue and thread.
#include "ril_client.h"

#include "internal/device_clock.h"

namespace kelvane {

RilClient::RilClient(RILRESULTCALLBACK result, DWORD param)
    : result_(result), param_(param), thread_([this] { Run(); }) {}

RilClient::~RilClient() {
  Close();
  if (thread_.joinable()) thread_.detach();  // only when destroyed on its own thread
}

void RilClient::Queue(HRESULT id, DWORD delay_ms, std::function<RilReply()> compose) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    // Equal due times keep the order the commands were given in.
    queue_.emplace(HostDeadline(delay_ms), Pending{id, std::move(compose)});
  }
  wake_.notify_all();
}

bool RilClient::Close() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    closing_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  return Join();
}

bool RilClient::Join() {
  if (thread_.get_id() == std::this_thread::get_id()) return false;
  if (thread_.joinable()) thread_.join();
  return true;
}

void RilClient::Run() {
  std::unique_lock<std::mutex> guard(lock_);
  while (!closing_) {
    if (queue_.empty()) {
      wake_.wait(guard);
      continue;
    }
    const auto due = queue_.begin()->first;
    if (std::chrono::steady_clock::now() < due) {
      wake_.wait_until(guard, due);
      continue;
    }
    Pending pending = std::move(queue_.begin()->second);
    queue_.erase(queue_.begin());
    guard.unlock();
    // The reply lives until the callback returns, as lpData does on the device.
    const RilReply reply = pending.compose();
    if (result_)
      result_(reply.code, pending.id, reply.data.empty() ? nullptr : reply.data.data(),
              static_cast<DWORD>(reply.data.size()), param_);
    guard.lock();
  }
}

}  // namespace kelvane
