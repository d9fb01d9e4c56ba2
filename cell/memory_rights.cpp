#include "cell/memory_rights.h"

#include <pkfuncs.h>

MemoryRights::MemoryRights()
    : previous_mode_(SetKMode(TRUE)), previous_permissions_(SetProcPermissions(0xFFFFFFFF)) {}

MemoryRights::~MemoryRights() {
  SetProcPermissions(previous_permissions_);
  SetKMode(previous_mode_);
}
