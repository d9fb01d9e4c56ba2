// The table of device names.
#include "devmgr/named_device.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

struct NameTable {
  std::mutex lock;
  std::map<std::wstring, NamedDevicePtr> devices;  // by upper-case name
};

std::wstring Key(std::wstring name) {
  std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return name;
}

// The table, with the profile's built-in ports in it from the start.
NameTable& Names() {
  static NameTable* table = [] {
    auto* t = new NameTable;  // outlives static destructors
    for (auto& [name, device] : BuiltInPorts())
      if (!t->devices.emplace(Key(name), std::move(device)).second)
        std::fprintf(stderr, "device: a built-in port is named %ls already; the second is left out\n", name.c_str());
    return t;
  }();
  return *table;
}

}  // namespace

bool RegisterDeviceName(const std::wstring& name, NamedDevicePtr device) {
  NameTable& t = Names();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.devices.emplace(Key(name), std::move(device)).second;
}

void UnregisterDeviceName(const std::wstring& name, const NamedDevice* device) {
  NameTable& t = Names();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.devices.find(Key(name));
  if (it != t.devices.end() && it->second.get() == device) t.devices.erase(it);
}

NamedDevicePtr FindDeviceName(const std::wstring& name) {
  NameTable& t = Names();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.devices.find(Key(name));
  return it == t.devices.end() ? nullptr : it->second;
}

}  // namespace kelvane
