// The interface of the cell sources. A source holds its cells in order, the
// serving cell first (index 0), then neighbour cells. Sources run on the
// positioning worker thread.
#ifndef KELVANE_CELL_CELL_SOURCE_H
#define KELVANE_CELL_CELL_SOURCE_H

#include "cell/cell_record.h"

// Mode numbers of the sources.
enum CellSourceMode : int {
  kModeNone = 0,
  kModeRil = 1,
  kModeMemoryScan = 2,
  kModeAtCommands = 3,
};

class CellSource {
 public:
  // Prepares the source: 0 on success, nonzero on failure.
  virtual int Open() = 0;
  // Reads the radio again: 0 on success, nonzero on failure.
  virtual int Refresh() = 0;
  virtual int ModeNumber() = 0;
  virtual int CellCount() = 0;
  // Copies the record with that index into destination and returns it.
  virtual CellRecord* GetCell(int index, CellRecord* destination) = 0;
  virtual ~CellSource() = default;
};

#endif
