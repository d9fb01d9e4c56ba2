// The registry a device starts with, from its profile.
#include "registry/hive_seed.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <cstdio>
#include <cstring>

namespace kelvane {
namespace {

void Report(const std::string& what) {
  std::fprintf(stderr, "device: device.json registry seed: %s; left out\n", what.c_str());
}

std::vector<BYTE> StringData(const std::wstring& text) {
  std::vector<BYTE> data((text.size() + 1) * sizeof(WCHAR));
  std::memcpy(data.data(), text.c_str(), data.size());
  return data;
}

bool ValueFromJson(const Json::Value& json, RegistryValue* value) {
  if (json.isString()) {
    value->type = REG_SZ;
    value->data = StringData(Widen(json.asString()));
    return true;
  }
  if (json.isUInt() || json.isInt()) {
    const DWORD number = json.isUInt() ? json.asUInt() : static_cast<DWORD>(json.asInt());
    value->type = REG_DWORD;
    value->data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                   static_cast<BYTE>(number >> 24)};
    return true;
  }
  if (json.isArray()) {
    std::wstring texts;  // each text with its NUL; the final NUL comes from StringData
    for (const Json::Value& item : json) {
      if (!item.isString()) return false;
      texts += Widen(item.asString());
      texts += L'\0';
    }
    value->type = REG_MULTI_SZ;
    value->data = StringData(texts);
    return true;
  }
  return false;
}

std::shared_ptr<RegistryKey> KeyForPath(const std::string& path, Hive* hive) {
  const std::vector<std::wstring> parts = SplitKeyPath(Widen(path));
  std::shared_ptr<RegistryKey> key = parts.empty() ? nullptr : hive->RootNamed(parts[0]);
  for (size_t i = 1; i < parts.size(); ++i)
    if (!IsValidKeyName(parts[i])) return nullptr;
  for (size_t i = 1; key && i < parts.size(); ++i) key = key->AddSubkey(parts[i]);
  return key;
}

}  // namespace

void SeedHive(const Json::Value& seed, Hive* hive) {
  if (seed.isNull()) return;
  if (!seed.isObject()) return Report("\"seed\" is not an object of key paths");
  for (const std::string& path : seed.getMemberNames()) {
    const Json::Value& values = seed[path];
    std::shared_ptr<RegistryKey> key = values.isObject() ? KeyForPath(path, hive) : nullptr;
    if (!key) {
      Report("\"" + path + "\" is not a key path under a root key with an object of values");
      continue;
    }
    for (const std::string& name : values.getMemberNames()) {
      RegistryValue value;
      value.name = Widen(name);
      if (ValueFromJson(values[name], &value))
        key->SetValue(std::move(value));
      else
        Report("value \"" + name + "\" of \"" + path + "\" is not a text, a whole number or a list of texts");
    }
  }
}

void SeedBaseKeys(Hive* hive) {
  Json::Value base(Json::objectValue);
  base["HKEY_LOCAL_MACHINE\\Drivers"] = Json::Value(Json::objectValue);
  base["HKEY_LOCAL_MACHINE\\System\\CurrentControlSet"] = Json::Value(Json::objectValue);
  // A device with a GPS Intermediate Driver (gpsid/) has its drivers' key,
  // with no current driver until something names one.
  if (MemberOf(Profile(), "gpsIntermediateDriver").isObject())
    base["HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers"] =
        Json::Value(Json::objectValue);
  SeedHive(base, hive);
}

}  // namespace kelvane
