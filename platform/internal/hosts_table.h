// The device's hosts table (the profile's "hosts"), for parts of the device
// other than name resolution that hand a device name to the host.
#ifndef KELVANE_PLATFORM_HOSTS_TABLE_H
#define KELVANE_PLATFORM_HOSTS_TABLE_H

#include <string>

namespace kelvane {

// The host address a name maps to, "a.b.c.d" or "a.b.c.d:port"; empty when
// the table has no valid entry for it.
std::string HostsTableAddress(const std::string& name);

}  // namespace kelvane

#endif
