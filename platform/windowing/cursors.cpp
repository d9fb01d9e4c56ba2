// Cursors: the system cursors, and the one last set, which the display shows.
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/windowing.h"

#include <atomic>

namespace {

struct SystemCursor {
  WORD id;
  const char* name;
};

// Their handles are the entries' addresses.
const SystemCursor kSystemCursors[] = {{32512, "arrow"}, {32514, "wait"}};

std::atomic<const SystemCursor*> g_current{nullptr};

const SystemCursor* FindCursor(HCURSOR handle) {
  for (const auto& cursor : kSystemCursors)
    if (handle == reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(&cursor))) return &cursor;
  return nullptr;
}

}  // namespace

namespace kelvane {

std::string CurrentCursorName() {
  const SystemCursor* cursor = g_current.load();
  return cursor ? cursor->name : "none";
}

}  // namespace kelvane

using namespace kelvane;

// ---- LoadCursorW ----
// Only the system cursors (a null instance) exist: the device's modules carry
// no cursor resources here.
HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
  if (!hInstance && IS_INTRESOURCE(lpCursorName)) {
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpCursorName));
    for (const auto& cursor : kSystemCursors)
      if (cursor.id == id) return reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(&cursor));
  }
  return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HCURSOR>(nullptr));
}

// ---- SetCursor ----
// Returns the previous cursor; a null cursor removes it from the screen.
HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
  const SystemCursor* cursor = FindCursor(hCursor);
  if (hCursor && !cursor) return Fail(ERROR_INVALID_CURSOR_HANDLE, static_cast<HCURSOR>(nullptr));
  const SystemCursor* previous = g_current.exchange(cursor);
  if (previous != cursor) RefreshScreen();
  return reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(previous));
}
