// The tower cache "cells.dat" (records in tower_cache_record.h), at the
// settings' tower cache path. Every operation opens the file, uses it and
// closes it under the Wi-Fi lock of the application state, so the positioning
// worker and the synchronisation thread may call them at once. A file that
// cannot be opened makes lookups miss, searches find nothing and writes skip
// silently. Offsets are byte offsets of records; -1 means none.
#ifndef KELVANE_LOOKUP_TOWER_CACHE_H
#define KELVANE_LOOKUP_TOWER_CACHE_H

#include <windows.h>

#include "cell/cell_record.h"
#include "core/position.h"

// Ages, in MonthsAge units, that decide what happens to a record.
constexpr int kFreshBelow = 4;        // resolved less than 90 days ago
constexpr int kTouchAbove = 1;        // last-used rewritten about once a month
constexpr int kDueAbove = 2;          // resolved 59 days ago or more, or never
constexpr int kReusableAbove = 5;     // not used for 151 days or more

// Looks the cell up (identity compared as cell id, area, country, network;
// a code of -1 never matches the 16-bit fields). *offset is the record's
// offset or -1. 0 fresh and -2 stale, both with out set; -3 known but never
// placed (or damaged: off the globe, or a negative accuracy); -1 not in the
// cache. A hit's last-used stamp is brought up to date
// when it is more than a month old.
int LookupTower(const CellRecord& cell, Position* out, LONG* offset);

// Writes a record for the cell with both stamps set to now (resolved: the
// never-placed stamp when unplaced). At offset when it is not -1, else into a
// reusable slot, else appended.
void StoreTower(const CellRecord& cell, const Position& position, bool unplaced, LONG offset);

// The first record not used for 151 days; -1 when none, when the file cannot
// be opened, or when Interrupt is set during the search.
LONG FindReusableTowerSlot();

// The first record after *offset (from the start when *offset is -1) that is
// due for a refresh: its identity goes to *cell, its offset to *offset.
// False, *offset unchanged, when there is none.
bool FindDueTower(CellRecord* cell, LONG* offset);

#endif
