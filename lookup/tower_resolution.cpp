#include "lookup/tower_resolution.h"

#include "core/flags.h"
#include "lookup/resolve_online.h"
#include "lookup/tower_cache.h"
#include "settings/message_list.h"

namespace {

// The synchronisation thread's place in the cache: the offset of the last
// record it took, only ever moved forward, so one run refreshes each due
// record at most once. Used by that thread alone.
LONG g_sync_position = -1;

// Only the serving cell and the first neighbour are tried.
constexpr int kCellsTried = 2;

}  // namespace

int ResolveTowerPosition(CellSourceHolder& holder, Position* out) {
  // The worker thread alone replaces the source, so it is used without the
  // holder's lock.
  return ResolveSourcePosition(holder.Source(), out);
}

int ResolveSourcePosition(CellSource* source, Position* out) {
  if (!source) return -4;
  const int count = source->CellCount();
  if (count < 1) return -10;

  int result = -10;
  int i = 0;
  for (;; ++i) {
    if (TestFlag(Interrupt)) return result;
    CellRecord cell;
    source->GetCell(i, &cell);
    LONG offset = -1;
    const int cached = LookupTower(cell, out, &offset);
    if (cached == 0) break;
    if (cached == -2) {
      // When the services fail, the stale position in out is used.
      Position fresh;
      if (ResolveOnline(cell, &fresh) == 0) {
        *out = fresh;
        StoreTower(cell, *out, false, offset);
      }
      break;
    }
    result = ResolveOnline(cell, out);
    if (cached == -3) {
      // Known but never placed: rewritten in place once the services place it.
      if (result == 0) StoreTower(cell, *out, false, offset);
    } else {
      // Not cached: recorded placed, or as not placed so that the
      // synchronisation thread retries it.
      StoreTower(cell, *out, result != 0, -1);
    }
    if (result == 0) break;
    if (i + 1 >= kCellsTried || i + 1 >= count) return result;
  }
  if (i > 0) DiagnosticLog().Warning(L"Bad accuracy, neighbor tower is used");
  return 0;
}

int SyncNextTower() {
  CellRecord cell;  // all fields unknown until the due record fills them
  if (!FindDueTower(&cell, &g_sync_position)) return 0;
  Position position;
  // A failed refresh leaves the record as it was.
  if (ResolveOnline(cell, &position) == 0) StoreTower(cell, position, false, g_sync_position);
  return 1;
}
