// Typed reading of the profile. device.json is written by hand, so a member
// may hold any type: these accessors never throw. A member that is present
// but of the wrong type or range is reported on standard error, named by its
// path ("network.connectFails"), and the caller's default is used; an absent
// member gives the default silently.
#ifndef KELVANE_PLATFORM_PROFILE_VALUE_H
#define KELVANE_PLATFORM_PROFILE_VALUE_H

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

// Reports a problem of the profile ("device: " + what) once until the
// profile is read again, so readers called in loops do not flood the log.
void ReportProfileProblem(const std::string& what);
// Forgets what was reported (the profile was read again).
void ForgetProfileReports();

// The member `key` of `object`; null when absent or `object` is no object.
const Json::Value& MemberOf(const Json::Value& object, const std::string& key);
// The profile's top-level member `name` when it is an object; otherwise null,
// reported when present.
const Json::Value& ProfileSection(const char* name);

bool ReadFlag(const Json::Value& value, const std::string& path, bool fallback);
std::string ReadText(const Json::Value& value, const std::string& path, const std::string& fallback);
// A whole number from 0 to `largest`.
uint64_t ReadCount(const Json::Value& value, const std::string& path, uint64_t fallback,
                   uint64_t largest = UINT64_MAX);
// A whole number from `smallest` to `largest`.
int64_t ReadInteger(const Json::Value& value, const std::string& path, int64_t fallback, int64_t smallest,
                    int64_t largest);
// Any number.
double ReadNumber(const Json::Value& value, const std::string& path, double fallback);
// A list of texts; entries that are not texts are reported and left out.
std::vector<std::string> ReadTexts(const Json::Value& value, const std::string& path);

// The same for a member of a section: ProfileFlag("network", "connectFails", false).
bool ProfileFlag(const char* section, const char* key, bool fallback);
std::string ProfileText(const char* section, const char* key, const std::string& fallback);
uint64_t ProfileCount(const char* section, const char* key, uint64_t fallback, uint64_t largest = UINT64_MAX);

}  // namespace kelvane

#endif
