// One entry of the OMAP radio stack's cell table, as it lies in memory:
// 32 bytes, little-endian.
//
//   offset  0        1                          16   17   18   19
//          +--------+--------------------------+----+----+----+------+
//          | signal |  (not used)              | c0 | c1 | c2 | mark |
//          +--------+--------------------------+----+----+----+------+
//   offset  20   21   22   23      24          26           30         32
//          +----+----+----+-------+-----------+------------+----------+
//          | n0 | n1 | n2 | (n.u.)| area u16  |  (not used)| cell u16 |
//          +----+----+----+-------+-----------+------------+----------+
//
// signal: unsigned, larger is stronger, at most 150 in a valid entry.
// c0 c1 c2: the country code's digits (hundreds, tens, units), 0 to 9.
// mark: exactly 3 in a valid entry.
// n0 n1 n2: the network code's digits; n2 counts only for the countries with
//           three-digit network codes.
// cell: 0xFFFF marks an empty slot.
#ifndef KELVANE_CELL_RADIO_TABLE_ENTRY_H
#define KELVANE_CELL_RADIO_TABLE_ENTRY_H

#include <stdint.h>

constexpr int kRadioEntrySize = 32;
// The byte that is 3 in every valid entry: a scan looks for it first.
constexpr int kRadioEntryMarkerOffset = 19;
constexpr uint8_t kRadioEntryMarker = 3;
constexpr uint16_t kEmptyRadioCellId = 0xFFFF;

struct RadioTableEntry {
  uint8_t bytes[kRadioEntrySize];
};

int32_t EntryCountry(const RadioTableEntry& e);
int32_t EntryNetwork(const RadioTableEntry& e);
int32_t EntryArea(const RadioTableEntry& e);
int32_t EntryCellId(const RadioTableEntry& e);
int32_t EntrySignal(const RadioTableEntry& e);

// Marker 3, signal at most 150, digits at most 9, and the codes equal the
// home country and network.
bool IsValidEntry(const uint8_t* bytes, int32_t home_country, int32_t home_network);
// The same country and network digits (c0 c1 c2 n0 n1).
bool AreAlike(const uint8_t* a, const uint8_t* b);

#endif
