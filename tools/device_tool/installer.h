// The platform's installer, for the package the build lists: it puts the
// files on the device in use (DeviceRoot()), loads the package's setup
// library and calls it around installation and removal, with a window of
// its own as the parent of whatever the library shows. What it installed is
// recorded on the device, so the removal takes exactly that away.
//
// Each step is reported on standard output; the result is the tool's exit
// code (0 done, 1 failed or cancelled). When the setup library restarts the
// device, the call does not return: the installer goes with the device.
#ifndef KELVANE_TOOLS_INSTALLER_H
#define KELVANE_TOOLS_INSTALLER_H

#include <filesystem>

namespace kelvane {

int InstallPackage(const std::filesystem::path& package_list);
int UninstallPackage();

}  // namespace kelvane

#endif
