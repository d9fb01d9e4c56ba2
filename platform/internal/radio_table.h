// The entries the simulated radio stack keeps in kernel memory: its cell
// table (serving cell, then neighbours, from the scenario step current on the
// device clock; unused slots empty) and the layout's decoys.
//
// An entry is 32 bytes: byte 0 the signal, 16-18 the country digits, 19 the
// marker 3, 20-22 the network digits (two or three), 24-25 the area code and
// 30-31 the cell id, little-endian; an empty slot has cell id 0xFFFF.
#ifndef KELVANE_PLATFORM_RADIO_TABLE_H
#define KELVANE_PLATFORM_RADIO_TABLE_H

#include "internal/memory_layout.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kelvane {

constexpr size_t kRadioEntrySize = 32;
constexpr size_t kRadioTableSlots = 7;

struct PlacedEntry {
  uint32_t address;
  std::array<uint8_t, kRadioEntrySize> bytes;
};

// Every entry of the layout now, sorted by address.
std::vector<PlacedEntry> RadioEntriesNow(const MemoryLayout& layout);

}  // namespace kelvane

#endif
