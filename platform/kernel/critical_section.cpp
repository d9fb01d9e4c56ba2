// Critical sections: recursive, with a non-waiting try.
#include "internal/brief_spin.h"
#include "internal/kernel_object.h"

#include <mutex>

namespace {
std::recursive_mutex* Impl(LPCRITICAL_SECTION cs) { return static_cast<std::recursive_mutex*>(cs->hCrit); }

// Critical sections guard a few instructions or a short copy; an owner on
// another processor mostly leaves within the longest spin.
thread_local kelvane::SpinBudget t_spin(std::chrono::microseconds(1), std::chrono::microseconds(10));
}  // namespace

// ---- InitializeCriticalSection ----
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  *lpCriticalSection = CRITICAL_SECTION{};
  lpCriticalSection->hCrit = new std::recursive_mutex;
}

// ---- DeleteCriticalSection ----
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  delete Impl(lpCriticalSection);
  lpCriticalSection->hCrit = nullptr;
}

// ---- EnterCriticalSection ----
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::recursive_mutex* mutex = Impl(lpCriticalSection);
  if (mutex->try_lock()) return;
  if (t_spin.Spin([mutex] { return mutex->try_lock(); })) return;
  mutex->lock();
}

// ---- LeaveCriticalSection ----
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { Impl(lpCriticalSection)->unlock(); }

// ---- TryEnterCriticalSection ----
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  return Impl(lpCriticalSection)->try_lock() ? TRUE : FALSE;
}
