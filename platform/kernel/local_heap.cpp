// The local heap. A block carries its size in a header before the caller's
// bytes, so LocalSize and LocalReAlloc know it.
#include "internal/local_heap.h"

#include "internal/last_error.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kelvane {
namespace {

struct alignas(16) BlockHeader {
  size_t size;
};

std::atomic<size_t> g_in_use{0};
std::atomic<size_t> g_limit{0};

BlockHeader* HeaderOf(HLOCAL mem) { return static_cast<BlockHeader*>(mem) - 1; }

bool Reserve(size_t bytes) {
  size_t current = g_in_use.load();
  for (;;) {
    const size_t limit = g_limit.load();
    if (limit != 0 && current + bytes > limit) return false;
    if (g_in_use.compare_exchange_weak(current, current + bytes)) return true;
  }
}

}  // namespace

void SetLocalHeapLimit(size_t bytes) { g_limit = bytes; }
size_t LocalHeapInUse() { return g_in_use.load(); }

}  // namespace kelvane

using namespace kelvane;

// ---- LocalAlloc ----
HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if (!Reserve(uBytes)) return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HLOCAL>(nullptr));
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + uBytes));
  if (!header) {
    g_in_use -= uBytes;
    return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HLOCAL>(nullptr));
  }
  header->size = uBytes;
  if (uFlags & LMEM_ZEROINIT) std::memset(header + 1, 0, uBytes);
  return header + 1;
}

// ---- LocalReAlloc ----
// Without LMEM_MOVEABLE a block may only shrink in place; with it, it may move.
// Growth is zero-filled with LMEM_ZEROINIT; the old contents are kept.
HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
  if (!hMem) return Fail(ERROR_INVALID_HANDLE, static_cast<HLOCAL>(nullptr));
  BlockHeader* header = HeaderOf(hMem);
  const size_t old_size = header->size;
  if (uBytes > old_size) {
    if (!(uFlags & LMEM_MOVEABLE)) return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HLOCAL>(nullptr));
    if (!Reserve(uBytes - old_size)) return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HLOCAL>(nullptr));
    auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + uBytes));
    if (!grown) {
      g_in_use -= uBytes - old_size;
      return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HLOCAL>(nullptr));
    }
    header = grown;
    if (uFlags & LMEM_ZEROINIT) std::memset(reinterpret_cast<char*>(header + 1) + old_size, 0, uBytes - old_size);
  } else {
    g_in_use -= old_size - uBytes;
  }
  header->size = uBytes;
  return header + 1;
}

// ---- LocalFree ----
HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  if (!hMem) return nullptr;
  BlockHeader* header = HeaderOf(hMem);
  g_in_use -= header->size;
  std::free(header);
  return nullptr;
}

// ---- LocalSize ----
SIZE_T WINAPI LocalSize(HLOCAL hMem) { return hMem ? HeaderOf(hMem)->size : 0; }
