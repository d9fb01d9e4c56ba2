#include "lookup/cache_file_check.h"

#include "lookup/cache_lock.h"
#include "settings/message_list.h"

namespace {

// An existing file whose size is not a whole number of records. A size that
// cannot be read says nothing about the file, which is then kept.
bool IsTorn(const WCHAR* path, DWORD record_size) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SetLastError(NO_ERROR);
  const DWORD size = GetFileSize(file, nullptr);
  const bool size_known = size != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  CloseHandle(file);
  return size_known && size % record_size != 0;
}

}  // namespace

void DeleteTornCacheFile(const WCHAR* path, DWORD record_size, const WCHAR* warning) {
  bool torn = false;
  {
    CacheLock lock;
    torn = IsTorn(path, record_size);
    if (torn) DeleteFileW(path);
  }
  // Logged after leaving: the Wi-Fi lock is never held while another is taken.
  if (torn) DiagnosticLog().Warning(warning);
}
