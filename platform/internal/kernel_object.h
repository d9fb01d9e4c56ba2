// Kernel objects and the process's handle table.
//
// Every HANDLE the device layer gives out indexes one table; CloseHandle works
// on any kind. An object stays alive while a handle or a caller that looked it
// up holds a reference, so a call blocked on an object never touches freed
// memory when another thread closes the handle.
//
// Waitable objects are changed and tested under one process-wide wait lock,
// held for a few instructions at a time. A blocked wait registers itself on
// each object it waits on; a change that signals an object completes the
// registered waits it satisfies (consuming their signals) and wakes only
// those threads (WaitStateLock::Signalled).
#ifndef KELVANE_PLATFORM_KERNEL_OBJECT_H
#define KELVANE_PLATFORM_KERNEL_OBJECT_H

#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

namespace kelvane {

class KernelObject {
 public:
  virtual ~KernelObject() = default;

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

struct WaitBlock;  // one blocked wait (waits.cpp)

// Events and threads. Every member is called with the wait lock held.
class WaitableObject : public KernelObject {
 public:
  virtual bool IsSignalled() const = 0;
  // A satisfied wait consumes the signal (auto-reset events).
  virtual void ConsumeSignal() {}

 private:
  friend class WaitStateLock;
  friend struct WaitBlock;
  // The blocked waits on this object, oldest first.
  std::vector<WaitBlock*> waits_;
};

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
// Called where a wait or sleep ends: a thread that TerminateThread ended
// parks there for good instead of running on.
void StopIfTerminated();

// Holds the process-wide wait lock while waitable state is read or changed.
// After a change that signals an object, call Signalled(object): the waits it
// satisfies are completed at once and their threads woken when the lock is
// released, so a woken thread never waits for the lock.
class WaitStateLock {
 public:
  WaitStateLock();
  ~WaitStateLock();
  WaitStateLock(const WaitStateLock&) = delete;
  WaitStateLock& operator=(const WaitStateLock&) = delete;

  void Signalled(WaitableObject& object);

 private:
  std::unique_lock<std::mutex> lock_;
  std::shared_ptr<WaitBlock> woken_;  // completed waits, linked through WaitBlock::next_woken
};

}  // namespace kelvane

#endif
