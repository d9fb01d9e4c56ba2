// The installation package as the build lists it (cmake/Package.cmake): which
// build file goes to which device path, for which platform type.
#ifndef KELVANE_TOOLS_PACKAGE_H
#define KELVANE_TOOLS_PACKAGE_H

#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

struct PackageFile {
  bool setup_library = false;  // loaded by the installer, kept for the removal
  std::wstring device_path;    // "\Program Files\Kelvane\Tavrel.dll"
  std::filesystem::path build_file;
};

// The files of the list meant for a device of this platform type. False, with
// the reason in *error, when the list cannot be read, a line is malformed or
// the package has not exactly one setup library.
bool ReadPackage(const std::filesystem::path& list, const std::string& platform_type, std::vector<PackageFile>* files,
                 std::string* error);

// Where a package file lives under the device root: a module's host object
// is its device name with ".so" (as LoadLibraryW looks for it).
std::filesystem::path InstalledHostPath(const std::wstring& device_path, const std::filesystem::path& build_file);

}  // namespace kelvane

#endif
