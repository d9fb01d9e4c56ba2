// Interlocked operations: sequentially consistent atomics on the caller's word.
#include <windows.h>

// ---- InterlockedIncrement ----
LONG WINAPI InterlockedIncrement(LONG volatile* lpAddend) { return __atomic_add_fetch(lpAddend, 1, __ATOMIC_SEQ_CST); }

// ---- InterlockedDecrement ----
LONG WINAPI InterlockedDecrement(LONG volatile* lpAddend) { return __atomic_sub_fetch(lpAddend, 1, __ATOMIC_SEQ_CST); }

// ---- InterlockedExchange ----
LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

// ---- InterlockedCompareExchange ----
LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
  __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return Comperand;  // the initial value, whether or not it was replaced
}

// ---- InterlockedExchangeAdd ----
LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
  return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

// ---- InterlockedExchangePointer ----
PVOID WINAPI InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

// ---- InterlockedCompareExchangePointer ----
PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange, PVOID Comperand) {
  __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return Comperand;
}
