// The simulated upper half of the address space, made on demand.
#include "internal/address_space.h"

#include "internal/memory_layout.h"
#include "internal/radio_table.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kelvane {
namespace {

constexpr size_t kPatternSize = 0x10000;  // a power of two: the filler repeats every 64 KiB

// Filler that looks like busy memory: bytes of every value, fixed from run
// to run so that scans are reproducible.
const std::array<uint8_t, kPatternSize>& Filler() {
  static const std::array<uint8_t, kPatternSize> pattern = [] {
    std::array<uint8_t, kPatternSize> p{};
    uint32_t x = 0x2545F491u;
    for (uint8_t& b : p) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<uint8_t>(x >> 24);
      if (b == kAbsentFillerByte) b = static_cast<uint8_t>(~b);
    }
    return p;
  }();
  return pattern;
}

bool Readable(const MemoryLayout& layout, uint64_t start, uint64_t end) {
  // The last region starting at or before `start` must hold the whole range.
  auto after = std::upper_bound(layout.regions.begin(), layout.regions.end(), start,
                                [](uint64_t a, const MemoryRegion& r) { return a < r.start; });
  if (after == layout.regions.begin()) return false;
  const MemoryRegion& r = *(after - 1);
  return start >= r.start && end <= r.end;
}

void CopyFiller(uint64_t address, uint8_t* out, size_t size) {
  const uint8_t* pattern = Filler().data();
  while (size > 0) {
    const size_t at = static_cast<size_t>(address & (kPatternSize - 1));
    const size_t n = std::min(size, kPatternSize - at);
    std::memcpy(out, pattern + at, n);
    out += n;
    address += n;
    size -= n;
  }
}

void LayEntries(const MemoryLayout& layout, uint64_t start, uint64_t end, uint8_t* out) {
  for (const PlacedEntry& e : RadioEntriesNow(layout)) {
    const uint64_t from = std::max<uint64_t>(e.address, start);
    const uint64_t to = std::min<uint64_t>(uint64_t{e.address} + kRadioEntrySize, end);
    if (from < to) std::memcpy(out + (from - start), e.bytes.data() + (from - e.address), to - from);
  }
}

}  // namespace

bool ReadDeviceMemory(uint64_t address, void* buffer, size_t size) {
  const uint64_t end = address + size;
  if (address >= kAddressSpaceEnd || end > kAddressSpaceEnd) return false;
  const std::shared_ptr<const MemoryLayout> layout = CurrentMemoryLayout();
  if (!Readable(*layout, address, end)) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  CopyFiller(address, out, size);
  LayEntries(*layout, address, end, out);
  return true;
}

}  // namespace kelvane
