// Modules: LoadLibraryW loads NAME.dll as the host object NAME.dll.so.
//
// A bare name is searched in the device's \windows folder, then in the
// program's folder, then in the host folders of KELVANE_MODULE_PATH and the
// build output's module folder (where the device's own modules are built). The profile can take modules or single exports away:
//   "missingModules": ["ril.dll"], "missingExports": {"ril.dll": ["RIL_DevSpecific"]}
#include "internal/modules.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"
#include "kelvane_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

namespace kelvane {
namespace {

typedef BOOL(WINAPI* DllEntryPoint)(HINSTANCE, DWORD, LPVOID);

struct Module {
  void* host = nullptr;
  std::wstring device_path;  // what GetModuleFileNameW answers
  std::wstring file_name;    // "ril.dll", lower case, for the profile's rules
  int references = 0;
};

struct ModuleTable {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<Module>> by_host_path;
  Module program;
};

ModuleTable& Table() {
  static ModuleTable* table = new ModuleTable;
  return *table;
}

std::wstring Lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return s;
}

std::wstring FileNameOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? L"\\" : path.substr(0, slash + 1);
}

bool ProfileListsName(const Json::Value& list, const std::string& path, const std::wstring& name) {
  for (const std::string& entry : ReadTexts(list, path))
    if (Lower(Widen(entry)) == name) return true;
  return false;
}

bool ModuleMissing(const std::wstring& file_name) {
  return ProfileListsName(MemberOf(Profile(), "missingModules"), "missingModules", file_name);
}

bool ExportMissing(const std::wstring& file_name, const std::string& export_name) {
  const Json::Value& exports = ProfileSection("missingExports");
  for (const auto& module : exports.getMemberNames())
    if (Lower(Widen(module)) == file_name &&
        ProfileListsName(MemberOf(exports, module), "missingExports." + module, Lower(Widen(export_name))))
      return true;
  return false;
}

// The build output's module folder, searched last.
std::vector<std::string> BuildOutputFolders() {
  std::vector<std::string> folders;
  const char* env = std::getenv("KELVANE_MODULE_PATH");
  std::stringstream list(env ? env : "");
  std::string folder;
  while (std::getline(list, folder, ':'))
    if (!folder.empty()) folders.push_back(folder);
  folders.push_back(KELVANE_BUILD_MODULE_DIR);
  return folders;
}

// Candidate (device path, host path) pairs for a module name.
std::vector<std::pair<std::wstring, std::filesystem::path>> Candidates(const std::wstring& name) {
  std::vector<std::pair<std::wstring, std::filesystem::path>> out;
  auto add_device = [&](const std::wstring& device_path) {
    const std::wstring folder = FolderOf(device_path);
    out.emplace_back(device_path, ChildIgnoringCase(HostPath(folder), Narrow(FileNameOf(device_path)) + ".so"));
  };
  if (name.find(L'\\') != std::wstring::npos) {
    add_device(name);
    return out;
  }
  add_device(L"\\windows\\" + name);
  add_device(FolderOf(ProgramDevicePath()) + name);
  for (const std::string& folder : BuildOutputFolders())
    out.emplace_back(L"\\windows\\" + name, ChildIgnoringCase(folder, Narrow(name) + ".so"));
  return out;
}

Module* FindByHandle(ModuleTable& t, HMODULE module) {
  if (!module || module == reinterpret_cast<HMODULE>(&t.program)) return &t.program;
  for (auto& entry : t.by_host_path)
    if (reinterpret_cast<HMODULE>(entry.second.get()) == module) return entry.second.get();
  return nullptr;
}

void EnsureProgram(ModuleTable& t) {
  if (!t.program.host) {
    t.program.host = dlopen(nullptr, RTLD_NOW);
    t.program.device_path = ProgramDevicePath();
    t.program.file_name = Lower(FileNameOf(t.program.device_path));
    t.program.references = 1;
  }
}

}  // namespace

void* ModuleHostHandle(HMODULE module) {
  ModuleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  EnsureProgram(t);
  Module* m = FindByHandle(t, module);
  return m ? m->host : nullptr;
}

}  // namespace kelvane

using namespace kelvane;

// ---- LoadLibraryW ----
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
  if (!lpLibFileName || !*lpLibFileName) return Fail(ERROR_INVALID_PARAMETER, static_cast<HMODULE>(nullptr));
  const std::wstring file_name = Lower(FileNameOf(lpLibFileName));
  if (ModuleMissing(file_name)) return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
  ModuleTable& t = Table();
  std::unique_lock<std::mutex> guard(t.lock);
  for (const auto& [device_path, host_path] : Candidates(lpLibFileName)) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(host_path, ec)) continue;
    const std::string key = std::filesystem::weakly_canonical(host_path, ec).string();
    auto found = t.by_host_path.find(key);
    if (found != t.by_host_path.end()) {
      ++found->second->references;
      return reinterpret_cast<HMODULE>(found->second.get());
    }
    void* host = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!host) {
      std::fprintf(stderr, "device: %s does not load: %s\n", key.c_str(), dlerror());
      return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
    }
    auto module = std::make_unique<Module>();
    module->host = host;
    module->device_path = device_path;
    module->file_name = file_name;
    module->references = 1;
    HMODULE handle = reinterpret_cast<HMODULE>(module.get());
    t.by_host_path.emplace(key, std::move(module));
    guard.unlock();
    // The entry point runs outside the table's lock: it may load modules itself.
    auto entry = reinterpret_cast<DllEntryPoint>(dlsym(host, "DllMain"));
    if (entry && !entry(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_ATTACH, nullptr)) {
      FreeLibrary(handle);
      return Fail(ERROR_DLL_INIT_FAILED, static_cast<HMODULE>(nullptr));
    }
    return handle;
  }
  return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

// ---- FreeLibrary ----
BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  ModuleTable& t = Table();
  std::unique_lock<std::mutex> guard(t.lock);
  for (auto it = t.by_host_path.begin(); it != t.by_host_path.end(); ++it) {
    Module* m = it->second.get();
    if (reinterpret_cast<HMODULE>(m) != hLibModule) continue;
    if (--m->references > 0) return TRUE;
    std::unique_ptr<Module> owned = std::move(it->second);
    t.by_host_path.erase(it);
    guard.unlock();
    auto entry = reinterpret_cast<DllEntryPoint>(dlsym(owned->host, "DllMain"));
    if (entry) entry(hLibModule, DLL_PROCESS_DETACH, nullptr);
    dlclose(owned->host);
    return TRUE;
  }
  return Fail(ERROR_INVALID_HANDLE, FALSE);
}

// ---- GetProcAddressW ----
FARPROC WINAPI GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName) {
  if (!lpProcName) return Fail(ERROR_INVALID_PARAMETER, static_cast<FARPROC>(nullptr));
  void* host = nullptr;
  std::wstring file_name;
  {
    ModuleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    EnsureProgram(t);
    Module* m = FindByHandle(t, hModule);
    if (!m) return Fail(ERROR_INVALID_HANDLE, static_cast<FARPROC>(nullptr));
    host = m->host;
    file_name = m->file_name;
  }
  std::string name;
  if (IS_INTRESOURCE(lpProcName)) {
    const WORD ordinal = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpProcName));
    auto table = static_cast<const KELVANE_ORDINAL*>(dlsym(host, KELVANE_ORDINAL_TABLE_SYMBOL));
    for (; table && table->ordinal != 0; ++table)
      if (table->ordinal == ordinal) name = table->name;
    if (name.empty()) return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
  } else {
    name = Narrow(lpProcName);
  }
  if (ExportMissing(file_name, name)) return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
  void* symbol = dlsym(host, name.c_str());
  if (!symbol) return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
  return reinterpret_cast<FARPROC>(symbol);
}

// ---- GetModuleHandleW ----
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
  ModuleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  EnsureProgram(t);
  if (!lpModuleName) return reinterpret_cast<HMODULE>(&t.program);
  const std::wstring wanted = Lower(FileNameOf(lpModuleName));
  for (auto& entry : t.by_host_path)
    if (entry.second->file_name == wanted) return reinterpret_cast<HMODULE>(entry.second.get());
  return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

// ---- GetModuleFileNameW ----
// Copies as much as fits, zero-terminated; returns the characters copied.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  std::wstring path;
  {
    ModuleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    EnsureProgram(t);
    Module* m = FindByHandle(t, hModule);
    if (!m) return Fail(ERROR_INVALID_HANDLE, DWORD{0});
    path = m->device_path;
  }
  if (!lpFilename || nSize == 0) return Fail(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
  const DWORD n = static_cast<DWORD>(std::min<size_t>(path.size(), nSize - 1));
  wmemcpy(lpFilename, path.c_str(), n);
  lpFilename[n] = L'\0';
  if (n < path.size()) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return n;
}

// ---- DisableThreadLibraryCalls ----
// The emulated device never sends thread notifications, so this always holds.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE) { return TRUE; }
