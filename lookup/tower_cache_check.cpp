#include "lookup/tower_cache_check.h"

#include "core/app_state.h"
#include "lookup/cache_file_check.h"
#include "lookup/tower_cache_record.h"

void CheckTowerCacheFile() {
  DeleteTornCacheFile(GetAppState().settings.tower_cache_path, kTowerRecordSize,
                      L"Incorrect size of file, deleting cells.dat");
}
