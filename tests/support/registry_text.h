// Reading and writing the test device's registry texts in one call, for
// tests that check what the program leaves there.
#ifndef KELVANE_TESTS_REGISTRY_TEXT_H
#define KELVANE_TESTS_REGISTRY_TEXT_H

#include <windows.h>

#include <string>

namespace kelvane::testing {

// The REG_SZ value under HKEY_LOCAL_MACHINE\path; "<no key>" or "<no value>".
inline std::wstring RegistryText(const WCHAR* path, const WCHAR* name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
  WCHAR text[256] = {};
  DWORD size = sizeof text;
  const LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? text : L"<no value>";
}

// Creates HKEY_LOCAL_MACHINE\path when missing and sets the REG_SZ value.
inline bool SetRegistryText(const WCHAR* path, const WCHAR* name, const WCHAR* text) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace kelvane::testing

#endif
