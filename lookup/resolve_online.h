// Where a cell is, asked of the cell-ID services: the binary service for
// every cell, and for Russian (250) and Ukrainian (255) cells also the XML
// service, the more accurate answer winning.
#ifndef KELVANE_LOOKUP_RESOLVE_ONLINE_H
#define KELVANE_LOOKUP_RESOLVE_ONLINE_H

#include "cell/cell_record.h"
#include "core/position.h"

// 0 with out set (out is written only then); otherwise -1 connection or
// transfer failure, -3 the services do not know the cell, -10 unparsable.
int ResolveOnline(const CellRecord& cell, Position* out);

#endif
