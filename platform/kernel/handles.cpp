// The handle table and the default behaviour of kernel objects.
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <unordered_map>
#include <vector>

namespace kelvane {
namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, KernelObjectPtr> objects;
  std::unordered_map<KernelObject*, int> handle_counts;
  // Handle values are never reused, so a stale handle stays invalid.
  uintptr_t next = 0x40;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives static destructors
  return *table;
}

}  // namespace

KernelObjectPtr CurrentThreadObject();  // threads.cpp

HANDLE InsertHandle(KernelObjectPtr object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.next >= (uintptr_t{1} << 31)) return Fail(ERROR_NO_SYSTEM_RESOURCES, static_cast<HANDLE>(nullptr));
  const uintptr_t value = t.next;
  t.next += 4;
  ++t.handle_counts[object.get()];
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

KernelObjectPtr LookupHandle(HANDLE handle) {
  if (handle == GetCurrentThread()) return CurrentThreadObject();
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return Fail(ERROR_INVALID_HANDLE, KernelObjectPtr());
  return it->second;
}

static KernelObjectPtr RemoveHandle(HANDLE handle, bool* last) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return nullptr;
  KernelObjectPtr object = std::move(it->second);
  t.objects.erase(it);
  auto count = t.handle_counts.find(object.get());
  *last = --count->second == 0;
  if (*last) t.handle_counts.erase(count);
  return object;
}

void CloseAllHandles() {
  std::vector<HANDLE> handles;
  {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (const auto& entry : t.objects) handles.push_back(reinterpret_cast<HANDLE>(entry.first));
  }
  for (HANDLE h : handles) CloseHandle(h);
}

BOOL KernelObject::Read(void*, DWORD, DWORD*) { return Fail(ERROR_INVALID_HANDLE, FALSE); }
BOOL KernelObject::Write(const void*, DWORD, DWORD*) { return Fail(ERROR_INVALID_HANDLE, FALSE); }
BOOL KernelObject::IoControl(DWORD, void*, DWORD, void*, DWORD, DWORD*) { return Fail(ERROR_INVALID_HANDLE, FALSE); }
DWORD KernelObject::Seek(LONG, LONG*, DWORD) { return Fail(ERROR_INVALID_HANDLE, 0xFFFFFFFFU); }
DWORD KernelObject::Size(DWORD*) { return Fail(ERROR_INVALID_HANDLE, 0xFFFFFFFFU); }
BOOL KernelObject::Flush() { return Fail(ERROR_INVALID_HANDLE, FALSE); }

}  // namespace kelvane

using namespace kelvane;

// ---- CloseHandle ----
BOOL WINAPI CloseHandle(HANDLE hObject) {
  bool last = false;
  KernelObjectPtr object = RemoveHandle(hObject, &last);
  if (!object) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (last) object->OnLastHandleClosed();
  return TRUE;
}
