// Waiting on kernel objects, on device time.
//
// All waitable state changes under one process-wide lock and wakes every
// waiter through one condition variable; a waiter re-tests its own objects.
// A device has few threads, so the simplicity is worth more than the
// spurious wake-ups.
#include "internal/device_clock.h"
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <condition_variable>
#include <thread>
#include <vector>

namespace kelvane {
namespace {

std::condition_variable& WaitCondition() {
  static std::condition_variable* cv = new std::condition_variable;
  return *cv;
}

// The first satisfied index of a wait-any, or nCount when none is.
DWORD FirstSignalled(const std::vector<KernelObjectPtr>& objects) {
  for (DWORD i = 0; i < objects.size(); ++i)
    if (objects[i]->IsSignalled()) return i;
  return static_cast<DWORD>(objects.size());
}

bool AllSignalled(const std::vector<KernelObjectPtr>& objects) {
  for (const auto& o : objects)
    if (!o->IsSignalled()) return false;
  return true;
}

}  // namespace

std::mutex& WaitLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

void NotifyWaiters() { WaitCondition().notify_all(); }

}  // namespace kelvane

using namespace kelvane;

// ---- WaitForMultipleObjects ----
DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr)
    return Fail(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  std::vector<KernelObjectPtr> objects;
  objects.reserve(nCount);
  for (DWORD i = 0; i < nCount; ++i) {
    KernelObjectPtr o = LookupHandle(lpHandles[i]);
    if (!o || !o->IsWaitable()) return Fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
    objects.push_back(std::move(o));
  }
  const auto deadline = HostDeadline(dwMilliseconds);
  std::unique_lock<std::mutex> guard(WaitLock());
  for (;;) {
    if (bWaitAll) {
      if (AllSignalled(objects)) {
        for (auto& o : objects) o->ConsumeSignal();
        return WAIT_OBJECT_0;
      }
    } else {
      const DWORD index = FirstSignalled(objects);
      if (index < nCount) {
        objects[index]->ConsumeSignal();
        return WAIT_OBJECT_0 + index;
      }
    }
    if (dwMilliseconds == 0) return WAIT_TIMEOUT;
    if (deadline == std::chrono::steady_clock::time_point::max()) {
      WaitCondition().wait(guard);
    } else if (WaitCondition().wait_until(guard, deadline) == std::cv_status::timeout) {
      // One last look: a signal may have raced the deadline.
      if (bWaitAll ? AllSignalled(objects) : FirstSignalled(objects) < nCount) continue;
      return WAIT_TIMEOUT;
    }
  }
}

// ---- WaitForSingleObject ----
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

// ---- Sleep ----
void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_until(HostDeadline(dwMilliseconds));
}
