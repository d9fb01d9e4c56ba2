// The device's local heap can be given a size, so that the failure paths of
// callers (ERROR_NOT_ENOUGH_MEMORY) can be produced on demand.
#ifndef KELVANE_PLATFORM_LOCAL_HEAP_H
#define KELVANE_PLATFORM_LOCAL_HEAP_H

#include <cstddef>

namespace kelvane {

// Limits the bytes the local heap may hold at once; 0 removes the limit.
void SetLocalHeapLimit(size_t bytes);
size_t LocalHeapInUse();

}  // namespace kelvane

#endif
