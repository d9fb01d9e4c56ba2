// The registry in memory: four root keys, each a tree of keys holding values.
//
// Key names compare without regard to case, as on the device; subkeys are
// kept in the order the platform enumerates them (names compared upper-case)
// and values in the order they were first set. A key removed from the tree is
// marked deleted, so that open handles to it answer ERROR_KEY_DELETED.
//
// Not thread-safe: the hive store's lock guards every hive.
#ifndef KELVANE_PLATFORM_REGISTRY_HIVE_H
#define KELVANE_PLATFORM_REGISTRY_HIVE_H

#include <windows.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kelvane {

struct RegistryValue {
  std::wstring name;  // empty: the key's default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

class RegistryKey {
 public:
  RegistryKey(std::wstring name, std::wstring path) : name_(std::move(name)), path_(std::move(path)) {}

  const std::wstring& name() const { return name_; }
  // The full path from the root's name: "HKEY_LOCAL_MACHINE\Drivers".
  const std::wstring& path() const { return path_; }
  bool deleted() const { return deleted_; }

  const std::map<std::wstring, std::shared_ptr<RegistryKey>>& subkeys() const { return subkeys_; }
  std::shared_ptr<RegistryKey> FindSubkey(const std::wstring& name) const;
  // The existing subkey of that name, or a new one.
  std::shared_ptr<RegistryKey> AddSubkey(const std::wstring& name);
  // Takes the subkey out of the tree and marks it and everything below deleted.
  void RemoveSubkey(const std::wstring& name);

  std::vector<RegistryValue>& values() { return values_; }
  const std::vector<RegistryValue>& values() const { return values_; }
  RegistryValue* FindValue(const std::wstring& name);
  // Sets a value, keeping its place when it exists.
  void SetValue(RegistryValue value);
  bool DeleteValue(const std::wstring& name);

  // Makes this key hold what `fresh` (a newer reading of the same key) holds,
  // keeping the objects of keys that are in both, so that handles stay on
  // them; keys that are gone are marked deleted.
  void MergeFrom(RegistryKey& fresh);
  void MarkDeleted();

 private:
  const std::wstring name_;
  const std::wstring path_;
  bool deleted_ = false;
  std::map<std::wstring, std::shared_ptr<RegistryKey>> subkeys_;  // by FoldCase(name)
  std::vector<RegistryValue> values_;
};

// The form of a name that compares as the device compares key and value names.
std::wstring FoldCase(const std::wstring& name);

// A key name the hive can hold: 1 to 255 characters, no backslash, no control
// characters, only Unicode scalar values.
bool IsValidKeyName(const std::wstring& name);

// The components of a key path: split at backslashes, empty parts skipped.
std::vector<std::wstring> SplitKeyPath(const std::wstring& path);

// Whether `path` is `prefix` or lies below it, names compared as the device does.
bool KeyPathIsWithin(const std::wstring& path, const std::wstring& prefix);

class Hive {
 public:
  static constexpr size_t kRootCount = 4;
  Hive();

  // Roots in the order of the predefined keys' low bits.
  static const std::array<const wchar_t*, kRootCount>& RootNames();
  // The root of that name (any case), or null.
  std::shared_ptr<RegistryKey> RootNamed(const std::wstring& name) const;
  const std::shared_ptr<RegistryKey>& root(size_t index) const { return roots_[index]; }

  void MergeFrom(Hive& fresh);
  void MarkDeleted();

 private:
  std::array<std::shared_ptr<RegistryKey>, kRootCount> roots_;
};

}  // namespace kelvane

#endif
