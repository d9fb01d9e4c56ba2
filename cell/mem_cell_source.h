// The cell source that reads the radio stack's cell table straight from
// memory (mode 2), on devices built around an OMAP processor. The only source
// with neighbour cells: up to seven, the strongest first.
//
// Open finds the table by a scan of the upper half of the address space, or
// confirms the place stored in the settings ("MemPointer", "MemStep") with one
// read. Used on the positioning worker thread only; the memory rights it
// raises are the calling thread's and are restored before each call returns.
#ifndef KELVANE_CELL_MEM_CELL_SOURCE_H
#define KELVANE_CELL_MEM_CELL_SOURCE_H

#include <stdint.h>

#include <vector>

#include "cell/cell_source.h"
#include "cell/radio_table_entry.h"

class MemCellSource : public CellSource {
 public:
  int Open() override;
  int Refresh() override;
  int ModeNumber() override { return kModeMemoryScan; }
  int CellCount() override { return static_cast<int>(cells_.size()); }
  CellRecord* GetCell(int index, CellRecord* destination) override;

  // Scans for the table with the home codes of Open; on success keeps and
  // stores its place. The caller holds raised memory rights. Gives up when
  // Interrupt is set (tested once per chunk).
  bool ScanForTable();

 private:
  bool ReadEntry(uint64_t address, RadioTableEntry* entry);
  bool StoredTableHolds();

  uint32_t table_address_ = 0;
  uint32_t step_ = 0;
  std::vector<RadioTableEntry> cells_;
  int32_t home_country_ = -1;
  int32_t home_network_ = -1;
};

#endif
