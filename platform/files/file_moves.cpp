// Renaming files: MoveFileW, and DeleteAndRenameFile, the device's way to
// replace a file by another in one step (the program rewrites config.ini so).
#include "files/host_file.h"
#include "files/share_modes.h"
#include "internal/last_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

using namespace kelvane;

namespace {

// The host path of an existing, closed, plain file; 0 or the platform error.
DWORD ClosedFile(LPCWSTR device_path, std::filesystem::path* host) {
  if (!device_path) return ERROR_INVALID_PARAMETER;
  if (DWORD error = HostPathOfFile(device_path, host)) return error;
  struct stat st;
  if (stat(host->c_str(), &st) != 0) return errno == ENOENT ? NotFoundError(*host) : ErrorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (FileIsOpen({st.st_dev, st.st_ino})) return ERROR_SHARING_VIOLATION;
  return 0;
}

}  // namespace

// ---- MoveFileW ----
// Fails with ERROR_ALREADY_EXISTS when the new name is taken.
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  std::filesystem::path from, to;
  if (DWORD error = ClosedFile(lpExistingFileName, &from)) return Fail(error, FALSE);
  if (!lpNewFileName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (DWORD error = HostPathOfFile(lpNewFileName, &to)) return Fail(error, FALSE);
  std::error_code ec;
  if (std::filesystem::exists(to, ec)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (std::rename(from.c_str(), to.c_str()) != 0) return FailFromErrno(errno, FALSE);
  return TRUE;
}

// ---- DeleteAndRenameFile ----
// The destination must exist; it is replaced by the source, which goes away.
BOOL WINAPI DeleteAndRenameFile(LPCWSTR lpszDestFile, LPCWSTR lpszSourceFile) {
  std::filesystem::path destination, source;
  if (DWORD error = ClosedFile(lpszDestFile, &destination)) return Fail(error, FALSE);
  if (DWORD error = ClosedFile(lpszSourceFile, &source)) return Fail(error, FALSE);
  if (std::rename(source.c_str(), destination.c_str()) != 0) return FailFromErrno(errno, FALSE);
  return TRUE;
}
