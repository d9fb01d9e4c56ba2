// The registry API over the device's persistent hive.
//
// Registry calls answer their error as their result and leave the last error
// alone. Keys are not kernel handles: CloseHandle does not close them, and
// their values are never reused, so a closed key stays invalid. The access a
// caller asks for is not checked (the device ignores it); classes are not
// kept and write times read as zero.
#include "registry/hive_store.h"
#include "registry/write_policy.h"

#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

struct OpenKeys {
  std::mutex lock;
  std::map<uintptr_t, std::shared_ptr<RegistryKey>> keys;
  // Far from the kernel's handle values, so that one passed for the other is caught.
  uintptr_t next = 0x40000000;
};

OpenKeys& Keys() {
  static OpenKeys* keys = new OpenKeys;  // outlives static destructors
  return *keys;
}

HKEY InsertKey(std::shared_ptr<RegistryKey> key) {
  OpenKeys& k = Keys();
  std::lock_guard<std::mutex> guard(k.lock);
  const uintptr_t value = k.next;
  k.next += 4;
  k.keys.emplace(value, std::move(key));
  return reinterpret_cast<HKEY>(value);
}

// The root index of a predefined key, or -1.
int PredefinedRoot(HKEY key) {
  const HKEY predefined[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
  for (int i = 0; i < 4; ++i)
    if (key == predefined[i]) return i;
  return -1;
}

// The key behind a handle, or null with the error to answer.
std::shared_ptr<RegistryKey> Resolve(HiveAccess& access, HKEY handle, LONG* error) {
  const int root = PredefinedRoot(handle);
  if (root >= 0) return access.hive().root(static_cast<size_t>(root));
  std::shared_ptr<RegistryKey> key;
  {
    OpenKeys& k = Keys();
    std::lock_guard<std::mutex> guard(k.lock);
    auto it = k.keys.find(reinterpret_cast<uintptr_t>(handle));
    if (it != k.keys.end()) key = it->second;
  }
  if (!key) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  // Deleted by this caller, another thread or another process since it was opened.
  if (key->deleted()) {
    *error = ERROR_KEY_DELETED;
    return nullptr;
  }
  return key;
}

std::shared_ptr<RegistryKey> Walk(std::shared_ptr<RegistryKey> key, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) {
    key = key->FindSubkey(name);
    if (!key) return nullptr;
  }
  return key;
}

std::vector<std::wstring> SubkeyNames(LPCWSTR sub_key) { return SplitKeyPath(sub_key ? sub_key : L""); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies a value's data out. A null buffer asks for the size only; a buffer
// that is too small gets nothing, and the answer ERROR_MORE_DATA comes with
// the size needed, as on the device.
LONG CopyValueData(const RegistryValue& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (type) *type = value.type;
  const DWORD needed = static_cast<DWORD>(value.data.size());
  if (!data) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, value.data.data(), needed);
  // A string stored without its terminator gets one when the buffer has
  // room, not counted in the size, so a caller's string always ends.
  const WCHAR nul = L'\0';
  if (IsStringType(value.type) && needed % sizeof(WCHAR) == 0 && *size >= needed + sizeof(WCHAR) &&
      (needed == 0 || std::memcmp(value.data.data() + needed - sizeof(WCHAR), &nul, sizeof(WCHAR)) != 0))
    std::memcpy(data + needed, &nul, sizeof(WCHAR));
  *size = needed;
  return ERROR_SUCCESS;
}

// Copies a name with its terminator into a buffer of *length characters;
// ERROR_MORE_DATA (and *length unchanged) when it does not fit.
LONG CopyName(const std::wstring& name, LPWSTR buffer, LPDWORD length) {
  if (name.size() + 1 > *length) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- RegOpenKeyExW ----
LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  std::shared_ptr<RegistryKey> target = Walk(key, SubkeyNames(lpSubKey));
  if (!target) return ERROR_FILE_NOT_FOUND;
  *phkResult = InsertKey(std::move(target));
  return ERROR_SUCCESS;
}

// ---- RegCreateKeyExW ----
LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                            PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  const std::vector<std::wstring> names = SubkeyNames(lpSubKey);
  for (const std::wstring& name : names)
    if (!IsValidKeyName(name)) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  std::shared_ptr<RegistryKey> target = Walk(key, names);
  if (!target) {
    std::wstring path = key->path();
    for (const std::wstring& name : names) path += L"\\" + name;
    if (RegistryRefusesWrite(path)) return ERROR_ACCESS_DENIED;
    target = key;
    for (const std::wstring& name : names) target = target->AddSubkey(name);
    if ((error = access.Save()) != ERROR_SUCCESS) return error;
    disposition = REG_CREATED_NEW_KEY;
  }
  *phkResult = InsertKey(std::move(target));
  if (lpdwDisposition) *lpdwDisposition = disposition;
  return ERROR_SUCCESS;
}

// ---- RegCloseKey ----
LONG WINAPI RegCloseKey(HKEY hKey) {
  if (PredefinedRoot(hKey) >= 0) return ERROR_SUCCESS;
  OpenKeys& k = Keys();
  std::lock_guard<std::mutex> guard(k.lock);
  return k.keys.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---- RegFlushKey ----
LONG WINAPI RegFlushKey(HKEY hKey) {
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  if (!Resolve(access, hKey, &error)) return error;
  return access.Flush();
}

// ---- RegDeleteKeyW ----
// The device deletes the key with everything below it (the desktop platform
// refuses a key that has subkeys). An empty name deletes the key itself; a
// root key cannot be deleted.
LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  std::shared_ptr<RegistryKey> target = Walk(key, SubkeyNames(lpSubKey));
  if (!target) return ERROR_FILE_NOT_FOUND;
  std::vector<std::wstring> path = SplitKeyPath(target->path());
  if (path.size() < 2) return ERROR_ACCESS_DENIED;
  if (RegistryRefusesWrite(target->path())) return ERROR_ACCESS_DENIED;
  const std::wstring name = path.back();
  path.pop_back();
  std::shared_ptr<RegistryKey> root = access.hive().RootNamed(path.front());
  std::shared_ptr<RegistryKey> parent = Walk(root, std::vector<std::wstring>(path.begin() + 1, path.end()));
  parent->RemoveSubkey(name);
  return access.Save();
}

// ---- RegSetValueExW ----
LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  if (RegistryRefusesWrite(key->path())) return ERROR_ACCESS_DENIED;
  RegistryValue value;
  value.name = lpValueName ? lpValueName : L"";
  value.type = dwType;
  if (cbData) value.data.assign(lpData, lpData + cbData);
  key->SetValue(std::move(value));
  return access.Save();
}

// ---- RegQueryValueExW ----
LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  const RegistryValue* value = key->FindValue(lpValueName ? lpValueName : L"");
  if (!value) return ERROR_FILE_NOT_FOUND;
  return CopyValueData(*value, lpType, lpData, lpcbData);
}

// ---- RegDeleteValueW ----
LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  if (RegistryRefusesWrite(key->path())) return ERROR_ACCESS_DENIED;
  if (!key->DeleteValue(lpValueName ? lpValueName : L"")) return ERROR_FILE_NOT_FOUND;
  return access.Save();
}

// ---- RegEnumKeyExW ----
LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                          LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  if (dwIndex >= key->subkeys().size()) return ERROR_NO_MORE_ITEMS;
  const RegistryKey& subkey = *std::next(key->subkeys().begin(), dwIndex)->second;
  if ((error = CopyName(subkey.name(), lpName, lpcchName)) != ERROR_SUCCESS) return error;
  if (lpClass && (error = CopyName(L"", lpClass, lpcchClass)) != ERROR_SUCCESS) return error;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

// ---- RegEnumValueW ----
LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  if (dwIndex >= key->values().size()) return ERROR_NO_MORE_ITEMS;
  const RegistryValue& value = key->values()[dwIndex];
  if (CopyName(value.name, lpValueName, lpcchValueName) != ERROR_SUCCESS) {
    // The name did not fit: the type and the data's size still come back.
    if (lpType) *lpType = value.type;
    if (lpcbData) *lpcbData = static_cast<DWORD>(value.data.size());
    return ERROR_MORE_DATA;
  }
  return CopyValueData(value, lpType, lpData, lpcbData);
}

// ---- RegQueryInfoKeyW ----
// Lengths of names are in characters without the terminator; the longest
// data is in bytes.
LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                             LPDWORD lpcchMaxSubKeyLen, LPDWORD lpcchMaxClassLen, LPDWORD lpcValues,
                             LPDWORD lpcchMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime) {
  if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
  HiveAccess access;
  LONG error = ERROR_SUCCESS;
  std::shared_ptr<RegistryKey> key = Resolve(access, hKey, &error);
  if (!key) return error;
  if (lpClass && (error = CopyName(L"", lpClass, lpcchClass)) != ERROR_SUCCESS) return error;
  if (!lpClass && lpcchClass) *lpcchClass = 0;
  DWORD longest_subkey = 0, longest_name = 0, longest_data = 0;
  for (const auto& entry : key->subkeys())
    longest_subkey = std::max(longest_subkey, static_cast<DWORD>(entry.second->name().size()));
  for (const RegistryValue& value : key->values()) {
    longest_name = std::max(longest_name, static_cast<DWORD>(value.name.size()));
    longest_data = std::max(longest_data, static_cast<DWORD>(value.data.size()));
  }
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key->subkeys().size());
  if (lpcchMaxSubKeyLen) *lpcchMaxSubKeyLen = longest_subkey;
  if (lpcchMaxClassLen) *lpcchMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(key->values().size());
  if (lpcchMaxValueNameLen) *lpcchMaxValueNameLen = longest_name;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = longest_data;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}
