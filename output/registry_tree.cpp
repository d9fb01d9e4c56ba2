#include "output/registry_tree.h"

#include <string>
#include <vector>

void DeleteKeyTree(HKEY key) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  // Names first, deletions after: deleting while enumerating shifts the indexes.
  std::vector<std::wstring> names;
  WCHAR name[MAX_PATH];
  for (DWORD i = 0; i < values; ++i) {
    DWORD length = MAX_PATH;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.push_back(name);
  }
  for (const std::wstring& value : names) RegDeleteValueW(key, value.c_str());

  names.clear();
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD length = MAX_PATH;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.push_back(name);
  }
  for (const std::wstring& subkey : names) DeleteKeyWithTree(key, subkey.c_str());
}

void DeleteKeyWithTree(HKEY root, const WCHAR* path) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  DeleteKeyTree(key);
  RegCloseKey(key);
  RegDeleteKeyW(root, path);
}
