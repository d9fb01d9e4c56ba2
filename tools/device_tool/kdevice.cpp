// kdevice: makes an emulated device root from a profile and runs programs on it.
//
//   kdevice create ROOT PROFILE   new root with ROOT/device.json = PROFILE
//   kdevice run ROOT COMMAND...   runs COMMAND with the device root set; a
//                                 device path ("\Program Files\Kelvane\Quorvane.exe")
//                                 runs the program installed on the device
//   kdevice install ROOT          installs the build's package, as the
//                                 platform's installer does
//   kdevice uninstall ROOT        removes it
//   kdevice reboot ROOT           restarts the device: programs closed, tick
//                                 count from 0, memory state gone
#include "installer.h"

#include "internal/device_clock.h"
#include "internal/device_restart.h"
#include "internal/device_root.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kdevice create ROOT PROFILE\n"
               "       kdevice run ROOT COMMAND [ARGS...]\n"
               "       kdevice install ROOT\n"
               "       kdevice uninstall ROOT\n"
               "       kdevice reboot ROOT\n");
  return 2;
}

int Create(const fs::path& root, const fs::path& profile) {
  std::error_code ec;
  for (const char* folder : {"windows", "Program Files/Kelvane", "dev"}) {
    fs::create_directories(root / folder, ec);
    if (ec) {
      std::fprintf(stderr, "kdevice: cannot create %s: %s\n", (root / folder).c_str(), ec.message().c_str());
      return 1;
    }
  }
  fs::copy_file(profile, root / "device.json", fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::fprintf(stderr, "kdevice: cannot copy %s: %s\n", profile.c_str(), ec.message().c_str());
    return 1;
  }
  kelvane::UseDeviceRoot(root);
  kelvane::RebootDeviceClock();
  std::printf("device root %s created from %s\n", fs::absolute(root).c_str(), profile.c_str());
  return 0;
}

int Run(const fs::path& root, char** command) {
  setenv("KELVANE_DEVICE_ROOT", fs::absolute(root).c_str(), 1);
  std::string program = command[0];
  if (program.rfind('\\', 0) == 0) {
    kelvane::UseDeviceRoot(root);
    program = kelvane::HostPath(kelvane::Widen(program)).string();
  }
  execvp(program.c_str(), command);
  std::perror(command[0]);
  return 127;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string verb = argv[1];
  if (verb == "create" && argc == 4) return Create(argv[2], argv[3]);
  if (verb == "run" && argc >= 4) return Run(argv[2], argv + 3);
  if (argc != 3) return Usage();
  if (!fs::is_regular_file(fs::path(argv[2]) / "device.json")) {
    std::fprintf(stderr, "kdevice: %s is not a device root (kdevice create makes one)\n", argv[2]);
    return 1;
  }
  kelvane::UseDeviceRoot(argv[2]);
  if (verb == "install") return kelvane::InstallPackage(KELVANE_PACKAGE_LIST);
  if (verb == "uninstall") return kelvane::UninstallPackage();
  if (verb == "reboot") {
    kelvane::RestartDevice();
    std::printf("device %s restarted\n", fs::absolute(argv[2]).c_str());
    return 0;
  }
  return Usage();
}
