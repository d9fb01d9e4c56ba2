#include "lookup/tower_cache_check.h"

#include <windows.h>

#include "core/app_state.h"
#include "lookup/tower_cache_record.h"
#include "settings/message_list.h"

namespace {

// An existing file whose size is not a whole number of records. A size that
// cannot be read says nothing about the file, which is then kept.
bool IsTorn(const WCHAR* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SetLastError(NO_ERROR);
  const DWORD size = GetFileSize(file, nullptr);
  const bool size_known = size != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  CloseHandle(file);
  return size_known && size % kTowerRecordSize != 0;
}

}  // namespace

void CheckTowerCacheFile() {
  AppState& state = GetAppState();
  const WCHAR* path = state.settings.tower_cache_path;
  EnterCriticalSection(&state.wifi_lock);
  const bool torn = IsTorn(path);
  if (torn) DeleteFileW(path);
  LeaveCriticalSection(&state.wifi_lock);
  // Logged after leaving: the Wi-Fi lock is never held while another is taken.
  if (torn) DiagnosticLog().Warning(L"Incorrect size of file, deleting cells.dat");
}
