// A second device process for the registry tests, on the device root given by
// KELVANE_DEVICE_ROOT. Keys are paths below HKEY_LOCAL_MACHINE.
//
//   registry_helper set KEY NAME TEXT       sets a REG_SZ value
//   registry_helper fill KEY PREFIX COUNT   sets PREFIX0 ... as REG_DWORD 0 ...,
//                                           opening and closing the key for each
//   registry_helper delete KEY              deletes the key
//   registry_helper dump KEY                prints "name|type|size|hex" per value
//
// Exits with 0, or 1 after printing the call that failed and its error.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

std::wstring Wide(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

int Failed(const char* call, LONG error) {
  fprintf(stderr, "registry_helper: %s failed %ld\n", call, static_cast<long>(error));
  return 1;
}

int Set(const std::wstring& key_path, const std::wstring& name, const std::wstring& text) {
  HKEY key = nullptr;
  LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                               nullptr);
  if (error != ERROR_SUCCESS) return Failed("RegCreateKeyExW", error);
  error = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return error == ERROR_SUCCESS ? 0 : Failed("RegSetValueExW", error);
}

int Fill(const std::wstring& key_path, const std::wstring& prefix, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr);
    if (error != ERROR_SUCCESS) return Failed("RegCreateKeyExW", error);
    const std::wstring name = prefix + std::to_wstring(i);
    error = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return Failed("RegSetValueExW", error);
  }
  return 0;
}

int Delete(const std::wstring& key_path) {
  const LONG error = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path.c_str());
  return error == ERROR_SUCCESS ? 0 : Failed("RegDeleteKeyW", error);
}

int Dump(const std::wstring& key_path) {
  HKEY key = nullptr;
  LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, 0, &key);
  if (error != ERROR_SUCCESS) return Failed("RegOpenKeyExW", error);
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];
    DWORD name_length = 256, type = 0, size = 0;
    error = RegEnumValueW(key, index, name, &name_length, nullptr, &type, nullptr, &size);
    if (error == ERROR_NO_MORE_ITEMS) break;
    if (error != ERROR_SUCCESS) return Failed("RegEnumValueW", error);
    std::string data(size, '\0');
    error = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size);
    if (error != ERROR_SUCCESS) return Failed("RegQueryValueExW", error);
    printf("%ls|%lx|%lu|", name, static_cast<unsigned long>(type), static_cast<unsigned long>(size));
    for (char byte : data) printf("%02x", static_cast<unsigned char>(byte));
    printf("\n");
  }
  RegCloseKey(key);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "set" && argc == 5) return Set(Wide(argv[2]), Wide(argv[3]), Wide(argv[4]));
  if (verb == "fill" && argc == 5) return Fill(Wide(argv[2]), Wide(argv[3]), static_cast<DWORD>(atoi(argv[4])));
  if (verb == "delete" && argc == 3) return Delete(Wide(argv[2]));
  if (verb == "dump" && argc == 3) return Dump(Wide(argv[2]));
  fprintf(stderr, "usage: registry_helper set KEY NAME TEXT | fill KEY PREFIX COUNT | delete KEY | dump KEY\n");
  return 2;
}
