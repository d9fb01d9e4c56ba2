// Raises the calling thread's memory rights (kernel mode, access to every
// process) for the life of the object, and restores the values they had.
// Must be destroyed on the thread that made it.
#ifndef KELVANE_CELL_MEMORY_RIGHTS_H
#define KELVANE_CELL_MEMORY_RIGHTS_H

#include <windows.h>

class MemoryRights {
 public:
  MemoryRights();
  ~MemoryRights();
  MemoryRights(const MemoryRights&) = delete;
  MemoryRights& operator=(const MemoryRights&) = delete;

 private:
  BOOL previous_mode_;
  DWORD previous_permissions_;
};

#endif
