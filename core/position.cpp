#include "core/position.h"

#include <windows.h>

namespace {
CRITICAL_SECTION g_position_lock;
Position g_position = {0.0f, 0.0f, 0};
}  // namespace

void CreatePositionLock() { InitializeCriticalSection(&g_position_lock); }

void DeletePositionLock() { DeleteCriticalSection(&g_position_lock); }

Position GetPosition() {
  EnterCriticalSection(&g_position_lock);
  const Position copy = g_position;
  LeaveCriticalSection(&g_position_lock);
  return copy;
}

void SetPosition(const Position& position) {
  EnterCriticalSection(&g_position_lock);
  g_position = position;
  LeaveCriticalSection(&g_position_lock);
}
