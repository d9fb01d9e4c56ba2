// The host side of the bridged GPS port: ROOT/dev/GPD0, opened with POSIX as
// gpsd opens it.
#ifndef KELVANE_TESTS_GPSID_HOST_LINK_H
#define KELVANE_TESTS_GPSID_HOST_LINK_H

#include <filesystem>
#include <string>

namespace kelvane::testing {

// Waits up to `host_seconds` for the link to exist: its target, or "".
std::string WaitForLink(const std::filesystem::path& link, int host_seconds);
// Opens the link; -1 when it cannot be opened.
int OpenLink(const std::filesystem::path& link);
// Reads until `until` appears, for at most 10 host seconds.
std::string HostReadUntil(int fd, const std::string& until);

}  // namespace kelvane::testing

#endif
