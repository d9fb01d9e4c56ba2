// Registry writes the profile refuses.
#include "registry/write_policy.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "registry/hive.h"

namespace kelvane {

bool RegistryRefusesWrite(const std::wstring& key_path) {
  // true refuses every write; a list refuses writes under the keys it names.
  const Json::Value& refuse = MemberOf(ProfileSection("registry"), "refuseWrites");
  if (refuse.isBool()) return refuse.asBool();
  for (const std::string& prefix : ReadTexts(refuse, "registry.refuseWrites"))
    if (KeyPathIsWithin(key_path, Widen(prefix))) return true;
  return false;
}

}  // namespace kelvane
