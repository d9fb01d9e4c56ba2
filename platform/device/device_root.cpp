// The device root, its profile and the mapping of device paths.
#include "internal/device_root.h"

#include "internal/profile_value.h"

#include <json/reader.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <locale>
#include <mutex>
#include <sstream>

namespace kelvane {
namespace {

struct DeviceState {
  std::mutex lock;
  bool root_known = false;
  std::filesystem::path root;
  bool profile_loaded = false;
  Json::Value profile;
};

DeviceState& State() {
  static DeviceState* state = new DeviceState;  // outlives static destructors
  return *state;
}

std::filesystem::path RootLocked(DeviceState& s) {
  if (!s.root_known) {
    const char* env = std::getenv("KELVANE_DEVICE_ROOT");
    s.root = std::filesystem::absolute(env && *env ? env : "device");
    s.root_known = true;
  }
  return s.root;
}

void LoadProfileLocked(DeviceState& s) {
  s.profile = Json::Value();
  ForgetProfileReports();
  std::ifstream in(RootLocked(s) / "device.json", std::ios::binary);
  if (in) {
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!Json::parseFromStream(builder, in, &s.profile, &errors)) {
      std::fprintf(stderr, "device: device.json does not parse: %s\n", errors.c_str());
      s.profile = Json::Value();
    } else if (!s.profile.isObject()) {
      std::fprintf(stderr, "device: device.json must hold an object; it is treated as empty\n");
      s.profile = Json::Value();
    }
  }
  s.profile_loaded = true;
}

}  // namespace

std::filesystem::path DeviceRoot() {
  DeviceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return RootLocked(s);
}

void UseDeviceRoot(const std::filesystem::path& root) {
  DeviceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.root = std::filesystem::absolute(root);
  s.root_known = true;
  s.profile_loaded = false;
}

const Json::Value& Profile() {
  DeviceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.profile_loaded) LoadProfileLocked(s);
  return s.profile;
}

void ReloadProfile() {
  DeviceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  LoadProfileLocked(s);
}

static bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::filesystem::path ChildIgnoringCase(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string existing = entry.path().filename().string();
    if (SameNameIgnoringCase(existing, name)) return folder / existing;
  }
  return folder / name;
}

std::filesystem::path HostPath(const std::wstring& device_path) {
  std::filesystem::path host = DeviceRoot();
  std::wstringstream parts(device_path);
  std::wstring part;
  while (std::getline(parts, part, L'\\')) {
    if (part.empty() || part == L".") continue;
    host = ChildIgnoringCase(host, Narrow(part));
  }
  return host;
}

// A program installed on the device runs from its place there; one run from
// the build stands in for the installed program.
std::wstring ProgramDevicePath() {
  const char* env = std::getenv("KELVANE_PROGRAM_PATH");
  if (env && *env) return Widen(env);
  std::error_code ec;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
  const auto root = std::filesystem::weakly_canonical(DeviceRoot(), ec);
  const auto relative = executable.lexically_relative(root);
  if (!ec && !relative.empty() && *relative.begin() != "..") {
    std::wstring device_path;
    for (const auto& part : relative) device_path += L"\\" + Widen(part.string());
    return device_path;
  }
  return L"\\Program Files\\Kelvane\\Quorvane.exe";
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t c : wide) {
    const uint32_t cp = static_cast<uint32_t>(c);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::wstring Widen(const std::string& narrow) {
  std::wstring out;
  out.reserve(narrow.size());
  for (size_t i = 0; i < narrow.size();) {
    const unsigned char c = static_cast<unsigned char>(narrow[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    }
    size_t j = 1;
    for (; j <= extra && i + j < narrow.size(); ++j) cp = (cp << 6) | (narrow[i + j] & 0x3F);
    out += static_cast<wchar_t>(cp);
    i += j;
  }
  return out;
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towupper(x) == std::towupper(y);
         });
}

}  // namespace kelvane
