// Where the current cell is: the tower cache "cells.dat" first, then the
// cell-ID services, with the first neighbour as fall-back.
#ifndef KELVANE_LOOKUP_TOWER_RESOLUTION_H
#define KELVANE_LOOKUP_TOWER_RESOLUTION_H

#include "core/cell_source_holder.h"
#include "core/position.h"

// 0 and out filled on success; -4 no source open; -10 no cell, or an
// unparsable answer; otherwise the services' code (-1 no connection,
// -3 unknown cell). Gives up with its current result when Interrupt is set.
int ResolveTowerPosition(CellSourceHolder& holder, Position* out);
// The same for the holder's open source (null when none is open).
int ResolveSourcePosition(CellSource* source, Position* out);

// Refreshes the next cached tower that is due: 1 when one was found (whether
// or not it could be refreshed), 0 when none is left.
int SyncNextTower();

#endif
