// Installing the package onto a device and removing it.
#include "installer.h"

#include "package.h"

#include "internal/device_root.h"

#include <windows.h>
#include <ce_setup.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kelvane {
namespace {

const WCHAR kInstallDir[] = L"\\Program Files\\Kelvane";
const WCHAR kRecord[] = L"\\windows\\AppMgr\\Kelvane.record";
const WCHAR kWindowClass[] = L"KelvaneInstaller";

// One installed file: its device path and its host path under the root.
struct Installed {
  bool setup_library = false;
  std::wstring device_path;
  std::filesystem::path host_path;
};

// The record on the device, one line per file: KIND <tab> DEVICE PATH <tab>
// HOST PATH relative to the root; the setup library's line comes first.
bool WriteRecord(const std::vector<Installed>& files) {
  const auto path = HostPath(kRecord);
  std::ofstream out(path, std::ios::trunc);
  for (const auto& file : files)
    out << (file.setup_library ? "setup" : "file") << '\t' << Narrow(file.device_path) << '\t'
        << file.host_path.lexically_relative(DeviceRoot()).string() << '\n';
  return static_cast<bool>(out);
}

bool ReadRecord(std::vector<Installed>* files) {
  std::ifstream in(HostPath(kRecord));
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    std::stringstream parts(line);
    std::string kind, device_path, host_path;
    if (!std::getline(parts, kind, '\t') || !std::getline(parts, device_path, '\t') || !std::getline(parts, host_path))
      return false;
    files->push_back({kind == "setup", Widen(device_path), DeviceRoot() / host_path});
  }
  return !files->empty() && files->front().setup_library;
}

// The installer's own window: the parent of the setup library's boxes.
class InstallerWindow {
 public:
  InstallerWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    hwnd_ = CreateWindowW(kWindowClass, L"Installation", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd_) std::printf("the installer's window could not be made (error %u)\n", GetLastError());
    // A window makes the device turn Ctrl-C into WM_CLOSE, but the installer
    // runs no message loop: it stays a host tool that Ctrl-C ends.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
  }
  ~InstallerWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

// The setup library, loaded from its place on the device.
class SetupLibrary {
 public:
  explicit SetupLibrary(const std::wstring& device_path) : module_(LoadLibraryW(device_path.c_str())) {
    if (!module_) {
      std::printf("the setup library %s does not load (error %u)\n", Narrow(device_path).c_str(), GetLastError());
      return;
    }
    install_init = reinterpret_cast<pfnINSTALL_INIT>(GetProcAddressW(module_, szINSTALL_INIT));
    install_exit = reinterpret_cast<pfnINSTALL_EXIT>(GetProcAddressW(module_, szINSTALL_EXIT));
    uninstall_init = reinterpret_cast<pfnUNINSTALL_INIT>(GetProcAddressW(module_, szUNINSTALL_INIT));
    uninstall_exit = reinterpret_cast<pfnUNINSTALL_EXIT>(GetProcAddressW(module_, szUNINSTALL_EXIT));
    if (!usable()) std::printf("the setup library %s lacks an entry point\n", Narrow(device_path).c_str());
  }
  ~SetupLibrary() {
    if (module_) FreeLibrary(module_);
  }
  bool usable() const { return module_ && install_init && install_exit && uninstall_init && uninstall_exit; }

  pfnINSTALL_INIT install_init = nullptr;
  pfnINSTALL_EXIT install_exit = nullptr;
  pfnUNINSTALL_INIT uninstall_init = nullptr;
  pfnUNINSTALL_EXIT uninstall_exit = nullptr;

 private:
  HMODULE module_;
};

// Replaces the file (unlinking first, so a running program's file can be
// replaced as the device replaces it after a restart).
bool CopyOnto(const PackageFile& file, const std::filesystem::path& host_path) {
  std::error_code ec;
  std::filesystem::create_directories(host_path.parent_path(), ec);
  std::filesystem::remove(host_path, ec);
  std::filesystem::copy_file(file.build_file, host_path, ec);
  if (ec) std::printf("cannot copy %s: %s\n", file.build_file.c_str(), ec.message().c_str());
  return !ec;
}

std::string PlatformType() {
  WCHAR type[64] = L"";
  SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof type, type, 0);
  return Narrow(type);
}

}  // namespace

int InstallPackage(const std::filesystem::path& package_list) {
  const std::string platform_type = PlatformType();
  std::vector<PackageFile> package;
  std::string error;
  if (!ReadPackage(package_list, platform_type, &package, &error)) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::vector<Installed> previous;
  const bool previously_installed = ReadRecord(&previous);
  std::printf("installing Kelvane for %s into %s%s\n", platform_type.c_str(), Narrow(kInstallDir).c_str(),
              previously_installed ? " (over the installed one)" : "");

  // The setup library goes first: it is called before any other file lands.
  std::vector<Installed> installed;
  for (const auto& file : package) {
    if (!file.setup_library) continue;
    const auto host_path = InstalledHostPath(file.device_path, file.build_file);
    if (!CopyOnto(file, host_path)) return 1;
    installed.push_back({true, file.device_path, host_path});
  }
  InstallerWindow window;
  SetupLibrary setup(installed.front().device_path);
  if (!window.hwnd() || !setup.usable()) return 1;
  const codeINSTALL_INIT init = setup.install_init(window.hwnd(), TRUE, previously_installed, kInstallDir);
  std::printf("Install_Init returned %d\n", init);
  if (init != codeINSTALL_INIT_CONTINUE) {
    std::printf("the setup library cancelled the installation\n");
    return 1;
  }

  WORD failed_files = 0;
  for (const auto& file : package) {
    if (file.setup_library) continue;
    const auto host_path = InstalledHostPath(file.device_path, file.build_file);
    if (!CopyOnto(file, host_path)) {
      ++failed_files;
      continue;
    }
    installed.push_back({false, file.device_path, host_path});
    std::printf("installed %s\n", Narrow(file.device_path).c_str());
  }
  if (!WriteRecord(installed)) std::printf("cannot write the record %s\n", Narrow(kRecord).c_str());

  std::printf("calling Install_Exit\n");
  std::fflush(stdout);
  const codeINSTALL_EXIT exit_code = setup.install_exit(window.hwnd(), kInstallDir, 0, failed_files, 0, 0, 0);
  std::printf("Install_Exit returned %d; the device keeps running\n", exit_code);
  std::printf(failed_files ? "installation incomplete: %u files failed\n" : "installation done\n", failed_files);
  return failed_files || exit_code != codeINSTALL_EXIT_DONE ? 1 : 0;
}

int UninstallPackage() {
  std::vector<Installed> installed;
  if (!ReadRecord(&installed)) {
    std::printf("Kelvane is not installed on this device\n");
    return 1;
  }
  InstallerWindow window;
  int result = 0;
  {
    SetupLibrary setup(installed.front().device_path);
    if (!window.hwnd() || !setup.usable()) return 1;
    const codeUNINSTALL_INIT init = setup.uninstall_init(window.hwnd(), kInstallDir);
    std::printf("Uninstall_Init returned %d\n", init);
    if (init != codeUNINSTALL_INIT_CONTINUE) {
      std::printf("the setup library cancelled the removal\n");
      return 1;
    }
    for (const auto& file : installed) {
      if (file.setup_library) continue;
      std::error_code ec;
      std::filesystem::remove(file.host_path, ec);
      if (ec) result = 1;
      std::printf(ec ? "cannot remove %s\n" : "removed %s\n", Narrow(file.device_path).c_str());
    }
    std::printf("Uninstall_Exit returned %d\n", setup.uninstall_exit(window.hwnd()));
  }
  // The setup library and the record go last, once the library is unloaded.
  std::error_code ec;
  std::filesystem::remove(installed.front().host_path, ec);
  std::filesystem::remove(HostPath(kRecord), ec);
  std::printf(result ? "removal incomplete\n" : "removal done\n");
  return result;
}

}  // namespace kelvane
