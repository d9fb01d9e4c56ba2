// ShellExecuteEx: the shell opens a document with its handler. Every request
// is recorded in ROOT/shell.log ("VERB FILE", one line each) so tests and
// people can see what the program asked for. The device's only handler is
// its browser, for http and https addresses; with the profile's
// "shellOpensBrowser" it is the host's (xdg-open), given the address with its
// host name mapped through the device's hosts table.
#include <shellapi.h>

#include "internal/device_root.h"
#include "internal/hosts_table.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <mutex>
#include <thread>

extern char** environ;

namespace kelvane {
namespace {

// hInstApp reports success as a value above 32.
constexpr ULONG_PTR kOpened = 42;

void Record(const std::string& verb, const std::string& file) {
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  std::ofstream out(DeviceRoot() / "shell.log", std::ios::app | std::ios::binary);
  out << verb << " " << file << "\n";
}

bool IsWebAddress(const std::string& file, size_t* host_start) {
  for (const char* scheme : {"http://", "https://"})
    if (file.rfind(scheme, 0) == 0) {
      *host_start = std::char_traits<char>::length(scheme);
      return true;
    }
  return false;
}

// The address with its host name replaced by the hosts table's entry; an
// entry with a port stands for the address's host and port both.
std::string MappedAddress(const std::string& address, size_t host_start) {
  size_t authority_end = address.find_first_of("/?#", host_start);
  if (authority_end == std::string::npos) authority_end = address.size();
  const std::string authority = address.substr(host_start, authority_end - host_start);
  const size_t colon = authority.find(':');
  const std::string mapped = HostsTableAddress(authority.substr(0, colon));
  if (mapped.empty()) return address;
  const bool whole = mapped.find(':') != std::string::npos || colon == std::string::npos;
  return std::string(address).replace(host_start, whole ? authority.size() : colon, mapped);
}

// Starts the host's browser and reaps it when it ends.
bool OpenOnHost(const std::string& address) {
  pid_t pid;
  char program[] = "xdg-open";
  std::string argument = address;
  char* argv[] = {program, argument.data(), nullptr};
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return false;
  std::thread([pid] {
    int status;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- ShellExecuteEx ----
// On failure hInstApp holds the shell's error (SE_ERR_) as well.
BOOL WINAPI ShellExecuteEx(LPSHELLEXECUTEINFO lpExecInfo) {
  if (!lpExecInfo || lpExecInfo->cbSize != sizeof(SHELLEXECUTEINFO)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  auto fail = [&](DWORD error, ULONG_PTR shell_error) {
    lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(shell_error);
    return Fail(error, FALSE);
  };
  if (!lpExecInfo->lpFile || !*lpExecInfo->lpFile) return fail(ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
  const std::string verb = lpExecInfo->lpVerb ? Narrow(lpExecInfo->lpVerb) : "open";
  const std::string file = Narrow(lpExecInfo->lpFile);
  Record(verb, file);
  size_t host_start = 0;
  if (!IsWebAddress(file, &host_start)) return fail(ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  if (ReadFlag(MemberOf(Profile(), "shellOpensBrowser"), "shellOpensBrowser", false) &&
      !OpenOnHost(MappedAddress(file, host_start)))
    return fail(ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(kOpened);
  return TRUE;
}
