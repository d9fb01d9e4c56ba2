// Kernel objects and the process's handle table.
//
// Every HANDLE the device layer gives out indexes one table; CloseHandle works
// on any kind. An object stays alive while a handle or a caller that looked it
// up holds a reference, so a call blocked on an object never touches freed
// memory when another thread closes the handle.
//
// Waitable objects are changed and tested under one process-wide wait lock;
// every change that may satisfy a waiter calls NotifyWaiters().
#ifndef KELVANE_PLATFORM_KERNEL_OBJECT_H
#define KELVANE_PLATFORM_KERNEL_OBJECT_H

#include <windows.h>

#include <memory>
#include <mutex>

namespace kelvane {

class KernelObject {
 public:
  virtual ~KernelObject() = default;

  // Waitable objects: called with the wait lock held.
  virtual bool IsWaitable() const { return false; }
  virtual bool IsSignalled() const { return false; }
  // A satisfied wait consumes the signal (auto-reset events).
  virtual void ConsumeSignal() {}

  // File-like objects (files, device streams). The defaults fail the way the
  // platform fails a call on a handle of the wrong kind.
  virtual BOOL Read(void* buffer, DWORD count, DWORD* done);
  virtual BOOL Write(const void* buffer, DWORD count, DWORD* done);
  virtual BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned);
  virtual DWORD Seek(LONG distance, LONG* distance_high, DWORD method);
  virtual DWORD Size(DWORD* high);
  virtual BOOL Flush();

  // Called once when the last handle to the object is closed.
  virtual void OnLastHandleClosed() {}
};

using KernelObjectPtr = std::shared_ptr<KernelObject>;

// Inserts the object and returns its new handle, or NULL with
// ERROR_NO_SYSTEM_RESOURCES when the table is full.
HANDLE InsertHandle(KernelObjectPtr object);
// The object behind a handle, or null (last error ERROR_INVALID_HANDLE).
KernelObjectPtr LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}
// Closes every handle still open; used when a simulated process ends.
void CloseAllHandles();

// The process-wide wait lock and the notification of waiters.
std::mutex& WaitLock();
void NotifyWaiters();

}  // namespace kelvane

#endif
