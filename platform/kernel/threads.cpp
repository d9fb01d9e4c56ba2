// Threads: creation, priorities, exit codes and termination.
//
// Termination on POSIX: a host thread cannot be stopped safely from outside,
// so TerminateThread ends the device thread as its waiters see it (the
// handle is signalled, GetExitCodeThread answers the given code) and the host
// thread goes no further than the end of the wait or sleep it is in (or its
// next one): there it parks for good, so none of its code runs after its end,
// not even while the process exits. Callers terminate only threads that no
// longer answer their stop request, which are blocked in such a call.
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace kelvane {
namespace {

std::atomic<DWORD> g_next_thread_id{0x100};

class ThreadObject : public WaitableObject {
 public:
  ThreadObject() : id_(g_next_thread_id.fetch_add(4)) {}
  bool IsSignalled() const override { return finished_; }

  DWORD id() const { return id_; }
  std::atomic<int> priority{THREAD_PRIORITY_NORMAL};
  std::atomic<bool> terminated{false};

  // The first end wins: a return after TerminateThread changes nothing.
  void Finish(DWORD exit_code) {
    WaitStateLock state;
    if (finished_) return;
    finished_ = true;
    exit_code_ = exit_code;
    state.Signalled(*this);
  }
  DWORD ExitCode() {
    WaitStateLock state;
    return finished_ ? exit_code_ : static_cast<DWORD>(STILL_ACTIVE);
  }

 private:
  const DWORD id_;
  bool finished_ = false;
  DWORD exit_code_ = STILL_ACTIVE;
};

thread_local std::shared_ptr<ThreadObject> t_current;

}  // namespace

void StopIfTerminated() {
  if (!t_current || !t_current->terminated.load()) return;
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

// The object of the calling thread; threads not made by CreateThread (the
// process's first thread, host threads of the device layer) get one lazily.
KernelObjectPtr CurrentThreadObject() {
  if (!t_current) t_current = std::make_shared<ThreadObject>();
  return t_current;
}

}  // namespace kelvane

using namespace kelvane;

// ---- CreateThread ----
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddr, LPVOID lpvThreadParam,
                           DWORD, LPDWORD lpIDThread) {
  if (!lpStartAddr) return Fail(ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  auto thread = std::make_shared<ThreadObject>();
  HANDLE handle = InsertHandle(thread);
  if (!handle) return nullptr;
  try {
    std::thread([thread, lpStartAddr, lpvThreadParam] {
      t_current = thread;
      const DWORD code = lpStartAddr(lpvThreadParam);
      thread->Finish(code);
      t_current.reset();
    }).detach();
  } catch (const std::system_error&) {
    CloseHandle(handle);
    return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HANDLE>(nullptr));
  }
  if (lpIDThread) *lpIDThread = thread->id();
  return handle;
}

// ---- SetThreadPriority ----
BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
  auto thread = LookupHandleAs<ThreadObject>(hThread);
  if (!thread) return FALSE;
  if (nPriority < THREAD_PRIORITY_TIME_CRITICAL || nPriority > THREAD_PRIORITY_IDLE)
    return Fail(ERROR_INVALID_PARAMETER, FALSE);
  thread->priority = nPriority;
  return TRUE;
}

// ---- GetThreadPriority ----
int WINAPI GetThreadPriority(HANDLE hThread) {
  auto thread = LookupHandleAs<ThreadObject>(hThread);
  return thread ? thread->priority.load() : THREAD_PRIORITY_ERROR_RETURN;
}

// ---- GetExitCodeThread ----
BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  auto thread = LookupHandleAs<ThreadObject>(hThread);
  if (!thread) return FALSE;
  if (!lpExitCode) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *lpExitCode = thread->ExitCode();
  return TRUE;
}

// ---- TerminateThread ----
BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode) {
  auto thread = LookupHandleAs<ThreadObject>(hThread);
  if (!thread) return FALSE;
  thread->terminated = true;
  thread->Finish(dwExitCode);
  return TRUE;
}

// ---- GetCurrentThreadId ----
DWORD WINAPI GetCurrentThreadId(void) {
  return std::static_pointer_cast<ThreadObject>(CurrentThreadObject())->id();
}

// ---- GetCurrentThread ----
HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }
