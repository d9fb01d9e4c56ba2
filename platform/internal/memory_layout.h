// The simulated upper half of the address space (0x80000000 up), as the
// profile lays it out:
//   "memory": {
//     "regions": [{"start": "0x80000000", "size": "0x00400000"}, ...],
//     "radioTable": {"address": "0xC0123458", "step": 72, "mcc": 250, "mnc": 1,
//                    "mncDigits": 2},
//     "decoys": [{"kind": "shortRun", "address": "0xC0100000"}, ...]}
// Addresses and sizes are numbers or "0x..." text. Bytes outside every
// region are gaps: reading them fails. Every function is safe to call from
// any thread; a changed profile is parsed again on the next call.
#ifndef KELVANE_PLATFORM_MEMORY_LAYOUT_H
#define KELVANE_PLATFORM_MEMORY_LAYOUT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kelvane {

struct MemoryRegion {
  uint64_t start = 0;
  uint64_t end = 0;  // one past the last byte
};

// Where the radio keeps its cell table, and the network it is registered
// with: empty slots and decoys carry these codes.
struct RadioTablePlace {
  uint32_t address = 0;
  uint32_t step = 0;
  DWORD mcc = 0;
  DWORD mnc = 0;
  int mnc_digits = 2;
};

// Runs of entries that look like the table but must not be taken for it.
enum class DecoyKind {
  kShortRun,     // six alike entries at the table's step, a seventh 4 bytes further
  kCrowded,      // seven alike entries 32 bytes apart
  kSparse,       // seven alike entries 500 bytes apart
  kWrongMarker,  // seven alike entries at the table's step, marker 4 instead of 3
  kOtherCountry, // seven alike entries at the table's step, another country
};

struct Decoy {
  DecoyKind kind;
  uint32_t address;
};

struct MemoryLayout {
  std::vector<MemoryRegion> regions;  // sorted, not overlapping
  std::optional<RadioTablePlace> table;
  std::vector<Decoy> decoys;
};

// The current profile's layout.
std::shared_ptr<const MemoryLayout> CurrentMemoryLayout();

}  // namespace kelvane

#endif
