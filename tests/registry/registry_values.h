// Small helpers for the registry tests: string values in and out.
#ifndef KELVANE_TESTS_REGISTRY_VALUES_H
#define KELVANE_TESTS_REGISTRY_VALUES_H

#include <windows.h>

#include <string>

namespace kelvane::testing {

// Sets a REG_SZ value with its terminator.
inline LONG SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

inline LONG SetDword(HKEY key, const wchar_t* name, DWORD number) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// The text of a string value, or "<error N>".
inline std::wstring QueryString(HKEY key, const wchar_t* name) {
  WCHAR text[260] = {};
  DWORD size = sizeof text - sizeof(WCHAR);
  const LONG error = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  return error == ERROR_SUCCESS ? std::wstring(text) : L"<error " + std::to_wstring(error) + L">";
}

// HKEY_LOCAL_MACHINE\path made or opened, or null.
inline HKEY CreateKey(const wchar_t* path, DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         &key, disposition) == ERROR_SUCCESS
             ? key
             : nullptr;
}

}  // namespace kelvane::testing

#endif
