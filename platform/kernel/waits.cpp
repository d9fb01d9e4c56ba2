// Waiting on kernel objects, on device time.
//
// A wait that cannot be satisfied at once registers a wait block on each of
// its objects, spins briefly, then sleeps on the block's own condition.
// Whoever signals an object completes the registered waits it satisfies, in
// the order they began, under the wait lock: it consumes their signals and
// records their results, so an auto-reset event set once ends exactly one
// wait, and a woken thread returns without looking at any object again. Only
// the threads whose waits ended are woken.
#include "internal/brief_spin.h"
#include "internal/device_clock.h"
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <thread>

namespace kelvane {

using WaitObjects = std::vector<std::shared_ptr<WaitableObject>>;

namespace {

const DWORD kUnsatisfied = 0xFFFFFFFF;

// How long a wait spins for its completion before the thread sleeps: at
// most about the time the port's reader and writer need to hand a buffer
// over, at least the time one of them needs for a call.
thread_local SpinBudget t_spin(std::chrono::microseconds(2), std::chrono::microseconds(20));

// The wait's result (WAIT_OBJECT_0 + index) if the objects satisfy it now,
// their signals consumed; kUnsatisfied otherwise. Called with the wait lock held.
DWORD TrySatisfy(const WaitObjects& objects, bool wait_all) {
  if (wait_all) {
    for (const auto& o : objects)
      if (!o->IsSignalled()) return kUnsatisfied;
    for (const auto& o : objects) o->ConsumeSignal();
    return WAIT_OBJECT_0;
  }
  // Wait-any answers the lowest signalled index and consumes only that one.
  for (DWORD i = 0; i < objects.size(); ++i) {
    if (objects[i]->IsSignalled()) {
      objects[i]->ConsumeSignal();
      return WAIT_OBJECT_0 + i;
    }
  }
  return kUnsatisfied;
}

}  // namespace

// Shared by the waiting thread and, once it completes the wait, the thread
// that wakes it, so either may be the last to let go of it.
struct WaitBlock {
  WaitBlock(const WaitObjects& objects, bool wait_all) : objects(objects), wait_all(wait_all) {}

  // Called with the wait lock held.
  void Register(const std::shared_ptr<WaitBlock>& block);
  void Unregister();

  // The waiting call's objects; read only while the block is registered.
  const WaitObjects& objects;
  const bool wait_all;
  // Written under the wait lock by whoever completes the wait; `done` then
  // publishes it to a waiter that has not gone to sleep yet.
  DWORD result = kUnsatisfied;
  std::atomic<bool> done{false};
  std::shared_ptr<WaitBlock> self;        // while registered; the completer takes it
  std::shared_ptr<WaitBlock> next_woken;  // in the completer's list of waits to wake

  // The hand-off to the sleeping thread.
  std::mutex mutex;
  std::condition_variable condition;
  bool woken = false;  // guarded by `mutex`
};

void WaitBlock::Register(const std::shared_ptr<WaitBlock>& block) {
  self = block;
  for (const auto& o : objects) o->waits_.push_back(this);
}

void WaitBlock::Unregister() {
  // An object named twice holds the block twice; both entries go.
  for (const auto& o : objects) {
    auto& waits = o->waits_;
    waits.erase(std::remove(waits.begin(), waits.end(), this), waits.end());
  }
}

namespace {

std::mutex& WaitLock() {
  static std::mutex* lock = new std::mutex;  // outlives static destructors
  return *lock;
}

}  // namespace

WaitStateLock::WaitStateLock() : lock_(WaitLock()) {}

WaitStateLock::~WaitStateLock() {
  lock_.unlock();
  while (std::shared_ptr<WaitBlock> block = std::move(woken_)) {
    woken_ = std::move(block->next_woken);
    {
      std::lock_guard<std::mutex> guard(block->mutex);
      block->woken = true;
    }
    block->condition.notify_one();
  }
}

void WaitStateLock::Signalled(WaitableObject& object) {
  auto& waits = object.waits_;
  // Each completed wait leaves the list, so index i then names the next one.
  for (size_t i = 0; i < waits.size() && object.IsSignalled();) {
    WaitBlock* block = waits[i];
    const DWORD result = TrySatisfy(block->objects, block->wait_all);
    if (result == kUnsatisfied) {
      ++i;
      continue;
    }
    block->result = result;
    block->Unregister();
    std::shared_ptr<WaitBlock> taken = std::move(block->self);
    taken->next_woken = std::move(woken_);
    woken_ = std::move(taken);
    // Last: a spinning waiter that sees it returns, and its objects go.
    woken_->done.store(true, std::memory_order_release);
  }
}

namespace {

DWORD WaitForObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr)
    return Fail(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  WaitObjects objects;
  objects.reserve(nCount);
  for (DWORD i = 0; i < nCount; ++i) {
    auto o = std::dynamic_pointer_cast<WaitableObject>(LookupHandle(lpHandles[i]));
    if (!o) return Fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
    objects.push_back(std::move(o));
  }
  const auto deadline = HostDeadline(dwMilliseconds);
  std::shared_ptr<WaitBlock> block;
  {
    WaitStateLock state;
    const DWORD result = TrySatisfy(objects, bWaitAll != FALSE);
    if (result != kUnsatisfied) return result;
    if (dwMilliseconds == 0) return WAIT_TIMEOUT;
    block = std::make_shared<WaitBlock>(objects, bWaitAll != FALSE);
    block->Register(block);
  }
  if (t_spin.Spin([&] { return block->done.load(std::memory_order_acquire); }, deadline))
    return block->result;
  std::unique_lock<std::mutex> sleeping(block->mutex);
  const auto woken = [&] { return block->woken; };
  if (deadline == std::chrono::steady_clock::time_point::max()) {
    block->condition.wait(sleeping, woken);
  } else if (!block->condition.wait_until(sleeping, deadline, woken)) {
    sleeping.unlock();
    WaitStateLock state;
    // A wait completed just as the time ran out keeps its result.
    if (block->result != kUnsatisfied) return block->result;
    block->Unregister();
    block->self.reset();
    return WAIT_TIMEOUT;
  }
  return block->result;
}

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- WaitForMultipleObjects ----
DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  const DWORD result = WaitForObjects(nCount, lpHandles, bWaitAll, dwMilliseconds);
  StopIfTerminated();
  return result;
}

// ---- WaitForSingleObject ----
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

// ---- Sleep ----
void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_until(HostDeadline(dwMilliseconds));
  StopIfTerminated();
}
