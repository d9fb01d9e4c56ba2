// The device manager's entry points: ActivateDevice and DeactivateDevice, and
// the opens of device names that CreateFileW hands over.
//
// An activated instance is found through its name "PREFIXn:" (Prefix and
// Index from its registry key). The handle ActivateDevice returns is the
// device manager's own value for DeactivateDevice, not a kernel handle.
#include "devmgr/bridge.h"
#include "devmgr/stream_device.h"
#include "internal/device_names.h"
#include "internal/last_error.h"

#include <winreg.h>

#include <cstdlib>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

struct Activation {
  std::wstring name;
  std::shared_ptr<StreamDevice> device;
};

struct ActivationTable {
  std::mutex lock;
  std::map<uintptr_t, Activation> active;
  uintptr_t next = 0x1000;  // values are never reused
};

ActivationTable& Activations() {
  static ActivationTable* table = new ActivationTable;  // outlives static destructors
  return *table;
}

// At process exit, as on the device, every driver hears of the handles the
// process still holds, so calls blocked in them end.
void NotifyDriversOfExit() {
  std::vector<std::shared_ptr<StreamDevice>> devices;
  {
    ActivationTable& t = Activations();
    std::lock_guard<std::mutex> guard(t.lock);
    for (auto& entry : t.active) devices.push_back(entry.second.device);
  }
  for (auto& device : devices) device->NotifyProcessExit();
}

LONG ReadText(HKEY key, const wchar_t* name, std::wstring* text) {
  WCHAR buffer[MAX_PATH];
  DWORD type = 0, size = sizeof(buffer);
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_SZ) return ERROR_INVALID_DATA;
  text->assign(buffer, size / sizeof(WCHAR));
  while (!text->empty() && text->back() == L'\0') text->pop_back();
  return ERROR_SUCCESS;
}

LONG ReadNumber(HKEY key, const wchar_t* name, DWORD* number) {
  DWORD type = 0, size = sizeof(*number);
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(number), &size);
  if (status != ERROR_SUCCESS) return status;
  return type == REG_DWORD ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

// The device's key values: Dll, Prefix (three characters) and Index.
LONG ReadDeviceKey(const std::wstring& key_path, std::wstring* dll, std::wstring* prefix, DWORD* index) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;
  status = ReadText(key, L"Dll", dll);
  if (status == ERROR_SUCCESS) status = ReadText(key, L"Prefix", prefix);
  if (status == ERROR_SUCCESS) status = ReadNumber(key, L"Index", index);
  RegCloseKey(key);
  if (status == ERROR_SUCCESS && (prefix->size() != 3 || *index > 9)) status = ERROR_INVALID_PARAMETER;
  return status;
}

}  // namespace

HANDLE OpenDeviceName(LPCWSTR name, DWORD access, DWORD share, DWORD) {
  NamedDevicePtr device = FindDeviceName(name);
  if (!device) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  KernelObjectPtr object = device->Open(access, share);
  if (!object) return INVALID_HANDLE_VALUE;  // the device's error stands
  HANDLE handle = InsertHandle(std::move(object));
  if (!handle) return INVALID_HANDLE_VALUE;
  // A bridged port gets its second handle once a program opened it.
  if (device->BridgedOnOpen()) StartBridgeIfListed(name);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

}  // namespace kelvane

using namespace kelvane;

// ---- ActivateDevice ----
// The client information is not kept: no driver here reads the Active key.
HANDLE WINAPI ActivateDevice(LPCWSTR lpszDevKey, DWORD) {
  if (!lpszDevKey) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::wstring dll, prefix;
  DWORD index = 0;
  if (LONG status = ReadDeviceKey(lpszDevKey, &dll, &prefix, &index))
    return Fail(static_cast<DWORD>(status), INVALID_HANDLE_VALUE);
  const std::wstring name = prefix + std::to_wstring(index) + L":";
  // The platform refuses an instance whose name is taken before it loads
  // the driver.
  if (FindDeviceName(name)) return Fail(ERROR_DEVICE_IN_USE, INVALID_HANDLE_VALUE);
  std::shared_ptr<StreamDevice> device = StreamDevice::Load(dll, prefix, lpszDevKey);
  if (!device) return INVALID_HANDLE_VALUE;  // the load's or the driver's error stands
  if (!RegisterDeviceName(name, device)) {
    device->Deinit();
    return Fail(ERROR_DEVICE_IN_USE, INVALID_HANDLE_VALUE);
  }
  static std::once_flag exit_hook;
  std::call_once(exit_hook, [] { std::atexit(NotifyDriversOfExit); });
  ActivationTable& t = Activations();
  std::lock_guard<std::mutex> guard(t.lock);
  const uintptr_t value = t.next;
  t.next += 4;
  t.active.emplace(value, Activation{name, std::move(device)});
  return reinterpret_cast<HANDLE>(value);
}

// ---- DeactivateDevice ----
// The name goes first, so nothing new opens; then the bridge lets go of its
// handle and the driver's Deinit ends whatever is still blocked in it. The
// library is released when the last handle on the instance is closed.
BOOL WINAPI DeactivateDevice(HANDLE hDevice) {
  Activation activation;
  {
    ActivationTable& t = Activations();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.active.find(reinterpret_cast<uintptr_t>(hDevice));
    if (it == t.active.end()) return Fail(ERROR_INVALID_HANDLE, FALSE);
    activation = std::move(it->second);
    t.active.erase(it);
  }
  UnregisterDeviceName(activation.name, activation.device.get());
  StopBridge(activation.name);
  activation.device->Deinit();
  return TRUE;
}
