#include "lookup/cache_record_write.h"

#include <stdio.h>

void WriteCacheRecord(const WCHAR* path, const uint8_t* bytes, size_t size, LONG offset) {
  FILE* file = _wfopen(path, offset != -1 ? L"r+b" : L"ab");
  if (!file) return;
  if (offset == -1 || fseek(file, offset, SEEK_SET) == 0) fwrite(bytes, 1, size, file);
  fclose(file);
}
