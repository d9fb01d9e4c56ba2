// The one description of a mobile-network cell that the program passes
// around. Every field is -1 when unknown.
#ifndef KELVANE_CELL_CELL_RECORD_H
#define KELVANE_CELL_CELL_RECORD_H

#include <stdint.h>

struct CellRecord {
  int32_t country = -1;         // mobile country code (MCC)
  int32_t network = -1;         // mobile network code (MNC), leading zeros not kept
  int32_t area = -1;            // location area code (LAC)
  int32_t cell_id = -1;         // cell identity, may exceed 65535
  int32_t signal = -1;          // the source's raw signal figure, larger is stronger
  int32_t timing_advance = -1;  // from the radio interface layer only
};

constexpr CellRecord kUnknownCell = {};

// Two records denote the same cell when their identities (the first four
// fields) are equal; signal and timing advance take no part.
inline bool SameCell(const CellRecord& a, const CellRecord& b) {
  return a.country == b.country && a.network == b.network && a.area == b.area && a.cell_id == b.cell_id;
}

#endif
