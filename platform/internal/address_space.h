// Reading the simulated upper half of the address space. The bytes are made
// on demand (filler from a small repeating pattern, the radio entries laid
// over it), so the space costs almost no host memory and reads at about the
// speed of a copy. The filler never holds kAbsentFillerByte, so a search
// for it passes every byte of a read (a baseline for measuring scans).
#ifndef KELVANE_PLATFORM_ADDRESS_SPACE_H
#define KELVANE_PLATFORM_ADDRESS_SPACE_H

#include <cstddef>
#include <cstdint>

namespace kelvane {

// The kernel's half of the 32-bit address space: from 0x80000000 to its end.
constexpr uint64_t kUpperHalfStart = 0x80000000u;
constexpr uint64_t kAddressSpaceEnd = 0x100000000u;

constexpr uint8_t kAbsentFillerByte = 0xFE;

// Copies `size` bytes from `address`; false, copying nothing, when any of
// them lies in a gap or beyond 0xFFFFFFFF.
bool ReadDeviceMemory(uint64_t address, void* buffer, size_t size);

}  // namespace kelvane

#endif
