// Creation of a process-wide object on first use, from any thread: a spin lock
// (interlocked exchange on a lock word, 1 ms sleeps) guards one construction
// in static storage; the destruction is registered for process exit.
#ifndef KELVANE_CORE_FIRST_USE_H
#define KELVANE_CORE_FIRST_USE_H

#include <windows.h>

#include <stdlib.h>

#include <new>

// One object of type T created by CreateOnFirstUse<T, Derived>(); Derived is
// the class actually constructed (T itself, or a class derived from it).
template <class T, class Derived = T>
class FirstUse {
 public:
  static T& Get() {
    void* instance = InterlockedCompareExchangePointer(&instance_, nullptr, nullptr);
    if (instance) return *static_cast<T*>(instance);
    while (InterlockedExchange(&spin_, 1) != 0) Sleep(1);
    if (!InterlockedCompareExchangePointer(&instance_, nullptr, nullptr) && !constructed_) {
      constructed_ = true;
      T* object = new (storage_) Derived();
      atexit(Destroy);
      InterlockedExchangePointer(&instance_, object);
    }
    InterlockedExchange(&spin_, 0);
    return *static_cast<T*>(InterlockedCompareExchangePointer(&instance_, nullptr, nullptr));
  }

 private:
  static void Destroy() {
    T* object = static_cast<T*>(InterlockedExchangePointer(&instance_, nullptr));
    if (object) object->~T();
  }

  alignas(Derived) static inline unsigned char storage_[sizeof(Derived)];
  static inline PVOID volatile instance_ = nullptr;
  static inline LONG volatile spin_ = 0;
  static inline bool constructed_ = false;
};

#endif
