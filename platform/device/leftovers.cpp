// Leftovers of killed processes under the device root.
#include "internal/leftovers.h"

#include "internal/device_root.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kelvane {

namespace {

// Whether the process runs; one that cannot be asked (another user's) does.
bool PidRuns(long pid) { return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH; }

std::filesystem::path OwnerFile(const std::string& port) { return DeviceRoot() / "dev" / ("." + port + ".owner"); }

// The process that recorded itself as the owner of the port still runs.
// (A pid taken over by another process since counts as running: its files
// then stay until the next start after that.)
bool OwnerRuns(const std::string& port) {
  long pid = 0;
  std::ifstream(OwnerFile(port)) >> pid;
  return pid > 0 && PidRuns(pid);
}

void RemovePortFiles(const std::string& port) {
  std::error_code ec;
  const std::filesystem::path dev = DeviceRoot() / "dev";
  for (const std::string& name : {port, port + ".tcp", "." + port + ".owner"}) std::filesystem::remove(dev / name, ec);
}

}  // namespace

void RemoveDeadProcessPorts() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(DeviceRoot() / "display", ec)) {
    const std::filesystem::path& path = entry.path();
    if (path.extension() != ".port") continue;
    char* end = nullptr;
    const std::string stem = path.stem().string();
    const long pid = std::strtol(stem.c_str(), &end, 10);
    if (stem.empty() || *end != '\0' || pid <= 0) continue;
    if (!PidRuns(pid)) std::filesystem::remove(path, ec);
  }
}

void RemoveOrphanedPortFiles() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(DeviceRoot() / "dev", ec)) {
    const std::string name = entry.path().filename().string();
    const std::string owner_suffix = ".owner";
    if (name.size() > 1 + owner_suffix.size() && name[0] == '.' &&
        name.compare(name.size() - owner_suffix.size(), owner_suffix.size(), owner_suffix) == 0) {
      const std::string port = name.substr(1, name.size() - 1 - owner_suffix.size());
      if (!OwnerRuns(port)) RemovePortFiles(port);
    } else if (entry.is_symlink(ec) && !std::filesystem::exists(entry.path(), ec)) {
      // exists() follows the link: false once the pseudo-terminal has closed.
      RemovePortFiles(name);
    }
  }
}

void MarkPortOwner(const std::string& port, bool owned) {
  std::error_code ec;
  if (!owned) {
    std::filesystem::remove(OwnerFile(port), ec);
    return;
  }
  std::filesystem::create_directories(OwnerFile(port).parent_path(), ec);
  std::ofstream(OwnerFile(port)) << getpid() << '\n';
}

}  // namespace kelvane
