// Registry writes the profile refuses, so that a device whose registry cannot
// be written can be made on demand:
//   "registry": {"refuseWrites": true}                  every write fails
//   "registry": {"refuseWrites": ["HKEY_LOCAL_MACHINE\\Drivers"]}
//                                                       writes at or below these keys fail
// A refused write (setting or deleting a value, creating or deleting a key)
// answers ERROR_ACCESS_DENIED and changes nothing.
#ifndef KELVANE_PLATFORM_REGISTRY_WRITE_POLICY_H
#define KELVANE_PLATFORM_REGISTRY_WRITE_POLICY_H

#include <string>

namespace kelvane {

// Whether the profile refuses writes to the key at `key_path` (its full path
// from the root's name).
bool RegistryRefusesWrite(const std::wstring& key_path);

}  // namespace kelvane

#endif
