// Critical sections: recursive, with a non-waiting try.
#include "internal/kernel_object.h"

#include <mutex>

namespace {
std::recursive_mutex* Impl(LPCRITICAL_SECTION cs) { return static_cast<std::recursive_mutex*>(cs->hCrit); }
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
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { Impl(lpCriticalSection)->lock(); }

// ---- LeaveCriticalSection ----
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { Impl(lpCriticalSection)->unlock(); }

// ---- TryEnterCriticalSection ----
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  return Impl(lpCriticalSection)->try_lock() ? TRUE : FALSE;
}
