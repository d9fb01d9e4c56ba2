// The registry a device starts with: the profile's "registry" → "seed", an
// object of key paths ("HKEY_LOCAL_MACHINE\\System\\...") each holding an
// object of values: a text is REG_SZ, a whole number REG_DWORD, a list of
// texts REG_MULTI_SZ, and the name "" the key's unnamed value.
#ifndef KELVANE_PLATFORM_REGISTRY_HIVE_SEED_H
#define KELVANE_PLATFORM_REGISTRY_HIVE_SEED_H

#include "registry/hive.h"

#include <json/value.h>

namespace kelvane {

// Adds the seed's keys and values to `hive`; entries that cannot be used are
// reported on standard error and left out.
void SeedHive(const Json::Value& seed, Hive* hive);

// The keys a device has from the start, whatever its seed says:
// HKEY_LOCAL_MACHINE\Drivers (where drivers are registered for the device
// manager) and HKEY_LOCAL_MACHINE\System\CurrentControlSet; on a device with
// a GPS Intermediate Driver, also its key ...\GPS Intermediate Driver\Drivers.
void SeedBaseKeys(Hive* hive);

}  // namespace kelvane

#endif
