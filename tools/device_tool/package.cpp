// Reading the build's package list.
#include "package.h"

#include "internal/device_root.h"

#include <fstream>
#include <sstream>

namespace kelvane {

bool ReadPackage(const std::filesystem::path& list, const std::string& platform_type, std::vector<PackageFile>* files,
                 std::string* error) {
  std::ifstream in(list);
  if (!in) {
    *error = "cannot read the package list " + list.string();
    return false;
  }
  files->clear();
  int setup_libraries = 0;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::stringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() != 4 || (fields[0] != "file" && fields[0] != "setup") || fields[1].empty() ||
        fields[1][0] != '\\' || fields[2].empty()) {
      *error = list.string() + ":" + std::to_string(number) + ": not KIND, DEVICE PATH, BUILD FILE, PLATFORM TYPE";
      return false;
    }
    if (fields[3] != "*" && fields[3] != platform_type) continue;
    const bool setup = fields[0] == "setup";
    setup_libraries += setup ? 1 : 0;
    files->push_back({setup, Widen(fields[1]), fields[2]});
  }
  if (setup_libraries != 1) {
    *error = list.string() + ": the package needs exactly one setup library for \"" + platform_type + "\"";
    return false;
  }
  return true;
}

std::filesystem::path InstalledHostPath(const std::wstring& device_path, const std::filesystem::path& build_file) {
  std::filesystem::path host = HostPath(device_path);
  if (build_file.extension() == ".so") host += ".so";
  return host;
}

}  // namespace kelvane
