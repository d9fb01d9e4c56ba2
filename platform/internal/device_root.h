// The emulated device: a folder on the host (its root) holding the registry
// hive, the device's file system and the profile device.json.
//
// The root comes from the environment variable KELVANE_DEVICE_ROOT (default:
// "device" in the current directory). Tests may switch it with UseDeviceRoot
// before any device call depends on it.
#ifndef KELVANE_PLATFORM_DEVICE_ROOT_H
#define KELVANE_PLATFORM_DEVICE_ROOT_H

#include <windows.h>
#include <json/value.h>

#include <filesystem>
#include <string>

namespace kelvane {

std::filesystem::path DeviceRoot();
void UseDeviceRoot(const std::filesystem::path& root);

// The parsed device.json (a null value when the file is missing). A profile
// that does not parse, or holds no object, is reported on standard error once
// and treated as empty.
const Json::Value& Profile();
// Re-reads device.json, for tests that change the profile of a running device.
void ReloadProfile();

// Maps a device path ("\windows\gpsfile.dat") to its host path under the root.
// Components match existing host entries without regard to case, as the
// device's file system does.
std::filesystem::path HostPath(const std::wstring& device_path);

// The entry of a host folder whose name matches without regard to case, or
// folder/name when there is none.
std::filesystem::path ChildIgnoringCase(const std::filesystem::path& folder, const std::string& name);

// The device path of the running program, answered by GetModuleFileNameW:
// KELVANE_PROGRAM_PATH; else the executable's place when it lies under the
// device root (a program installed there); else
// "\Program Files\Kelvane\Quorvane.exe".
std::wstring ProgramDevicePath();

// Conversions between the program's wide text and host UTF-8.
std::string Narrow(const std::wstring& wide);
std::wstring Widen(const std::string& narrow);

// Whether two of the program's texts are equal without regard to case, as
// the device compares the names of files and registry values.
bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace kelvane

#endif
