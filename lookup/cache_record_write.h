// Writing one record of a cache file (cells.dat, wifi.dat): over the record
// at a byte offset, or appended when the offset is -1. A file that cannot be
// opened, or an offset that cannot be reached, skips the write silently.
// Called with the cache lock held.
#ifndef KELVANE_LOOKUP_CACHE_RECORD_WRITE_H
#define KELVANE_LOOKUP_CACHE_RECORD_WRITE_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

void WriteCacheRecord(const WCHAR* path, const uint8_t* bytes, size_t size, LONG offset);

#endif
