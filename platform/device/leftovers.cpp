// Leftovers of killed processes under the device root.
#include "internal/leftovers.h"

#include "internal/device_root.h"

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace kelvane {

void RemoveDeadProcessPorts() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(DeviceRoot() / "display", ec)) {
    const std::filesystem::path& path = entry.path();
    if (path.extension() != ".port") continue;
    char* end = nullptr;
    const std::string stem = path.stem().string();
    const long pid = std::strtol(stem.c_str(), &end, 10);
    if (stem.empty() || *end != '\0' || pid <= 0) continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) std::filesystem::remove(path, ec);
  }
}

void RemoveDanglingPortLinks() {
  std::error_code ec;
  const std::filesystem::path dev = DeviceRoot() / "dev";
  for (const auto& entry : std::filesystem::directory_iterator(dev, ec)) {
    const std::filesystem::path& link = entry.path();
    // exists() follows the link: false once the pseudo-terminal has closed.
    if (!entry.is_symlink(ec) || std::filesystem::exists(link, ec)) continue;
    std::filesystem::remove(link, ec);
    std::filesystem::remove(dev / (link.filename().string() + ".tcp"), ec);
  }
}

}  // namespace kelvane
