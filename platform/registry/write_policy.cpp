// Registry writes the profile refuses.
#include "registry/write_policy.h"

#include "internal/device_root.h"
#include "registry/hive.h"

namespace kelvane {

bool RegistryRefusesWrite(const std::wstring& key_path) {
  const Json::Value& profile = Profile();
  if (!profile.isObject() || !profile["registry"].isObject()) return false;
  const Json::Value& refuse = profile["registry"]["refuseWrites"];
  if (refuse.isBool()) return refuse.asBool();
  if (!refuse.isArray()) return false;
  for (const Json::Value& prefix : refuse)
    if (prefix.isString() && KeyPathIsWithin(key_path, Widen(prefix.asString()))) return true;
  return false;
}

}  // namespace kelvane
