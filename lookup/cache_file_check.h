// The start-up check of a cache file: a file whose size is not a whole
// number of records was torn by an interrupted write or is not ours, and every
// record after the tear would be read misaligned, so it is deleted (with the
// warning in the log). A missing file is not an error. Takes the Wi-Fi lock,
// which guards both cache files.
#ifndef KELVANE_LOOKUP_CACHE_FILE_CHECK_H
#define KELVANE_LOOKUP_CACHE_FILE_CHECK_H

#include <windows.h>

void DeleteTornCacheFile(const WCHAR* path, DWORD record_size, const WCHAR* warning);

#endif
