// Recognises the radio's cell table among the valid entries a scan meets:
// seven alike entries, each 33 to 499 bytes after the one before, all at the
// same distance. The table's place is the first of the seven.
//
// Entries must be given in increasing address order. Not thread-safe.
#ifndef KELVANE_CELL_TABLE_RUN_FINDER_H
#define KELVANE_CELL_TABLE_RUN_FINDER_H

#include <stdint.h>

#include "cell/radio_table_entry.h"

constexpr int kTableEntries = 7;
constexpr uint32_t kShortestTableStep = 33;
constexpr uint32_t kLongestTableStep = 499;

class TableRunFinder {
 public:
  // Takes the next valid entry; true when it completes the table.
  bool Add(const uint8_t* entry, uint32_t address);
  uint32_t table_address() const { return run_start_; }
  uint32_t step() const { return run_step_; }

 private:
  RadioTableEntry previous_ = {};
  uint32_t previous_address_ = 0;
  int run_count_ = 0;
  uint32_t run_step_ = 0;
  uint32_t run_start_ = 0;
};

#endif
