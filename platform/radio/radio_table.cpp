// The radio stack's cell table and the decoys, as bytes.
#include "internal/radio_table.h"

#include "internal/scenario.h"

#include <algorithm>

namespace kelvane {
namespace {

constexpr uint8_t kMarker = 3;
constexpr uint16_t kEmptyCellId = 0xFFFF;
constexpr uint32_t kCrowdedDistance = 32;
constexpr uint32_t kSparseDistance = 500;
constexpr uint32_t kShortRunSkew = 4;
constexpr LONG kLargestSignal = 150;

struct EntryFields {
  DWORD mcc;
  DWORD mnc;
  int mnc_digits;
  DWORD lac;
  DWORD cell_id;
  LONG signal;
  uint8_t marker = kMarker;
};

PlacedEntry Encode(uint32_t address, const EntryFields& f) {
  PlacedEntry e{address, {}};
  auto& b = e.bytes;
  b[0] = static_cast<uint8_t>(std::clamp<LONG>(f.signal, 0, kLargestSignal));
  b[16] = static_cast<uint8_t>(f.mcc / 100 % 10);
  b[17] = static_cast<uint8_t>(f.mcc / 10 % 10);
  b[18] = static_cast<uint8_t>(f.mcc % 10);
  b[19] = f.marker;
  if (f.mnc_digits == 3) {
    b[20] = static_cast<uint8_t>(f.mnc / 100 % 10);
    b[21] = static_cast<uint8_t>(f.mnc / 10 % 10);
    b[22] = static_cast<uint8_t>(f.mnc % 10);
  } else {
    b[20] = static_cast<uint8_t>(f.mnc / 10 % 10);
    b[21] = static_cast<uint8_t>(f.mnc % 10);
  }
  b[24] = static_cast<uint8_t>(f.lac & 0xFF);
  b[25] = static_cast<uint8_t>(f.lac >> 8 & 0xFF);
  b[30] = static_cast<uint8_t>(f.cell_id & 0xFF);
  b[31] = static_cast<uint8_t>(f.cell_id >> 8 & 0xFF);
  return e;
}

EntryFields EmptySlot(const RadioTablePlace& t) { return {t.mcc, t.mnc, t.mnc_digits, 0, kEmptyCellId, 0}; }

void AddTable(const RadioTablePlace& t, std::vector<PlacedEntry>* out) {
  std::vector<ScenarioCell> cells;
  if (const std::optional<ScenarioStep> step = CurrentScenarioStep()) {
    if (step->serving) cells.push_back(*step->serving);
    cells.insert(cells.end(), step->neighbours.begin(), step->neighbours.end());
  }
  for (size_t k = 0; k < kRadioTableSlots; ++k) {
    EntryFields f = EmptySlot(t);
    if (k < cells.size()) {
      const ScenarioCell& c = cells[k];
      f = {c.mcc, c.mnc, t.mnc_digits, c.lac, c.cell_id, c.signal};
    }
    out->push_back(Encode(t.address + static_cast<uint32_t>(k * t.step), f));
  }
}

void AddDecoy(const RadioTablePlace& t, const Decoy& d, std::vector<PlacedEntry>* out) {
  EntryFields f = EmptySlot(t);
  f.cell_id = 1000;
  f.signal = 10;
  uint32_t distance = t.step;
  switch (d.kind) {
    case DecoyKind::kShortRun:
      break;
    case DecoyKind::kCrowded:
      distance = kCrowdedDistance;
      break;
    case DecoyKind::kSparse:
      distance = kSparseDistance;
      break;
    case DecoyKind::kWrongMarker:
      f.marker = kMarker + 1;
      break;
    case DecoyKind::kOtherCountry:
      f.mcc = (t.mcc + 1) % 1000;
      break;
  }
  uint32_t address = d.address;
  for (size_t k = 0; k < kRadioTableSlots; ++k) {
    if (d.kind == DecoyKind::kShortRun && k + 1 == kRadioTableSlots) address += kShortRunSkew;
    out->push_back(Encode(address, f));
    ++f.cell_id;
    address += distance;
  }
}

}  // namespace

std::vector<PlacedEntry> RadioEntriesNow(const MemoryLayout& layout) {
  std::vector<PlacedEntry> entries;
  if (!layout.table) return entries;
  AddTable(*layout.table, &entries);
  for (const Decoy& d : layout.decoys) AddDecoy(*layout.table, d, &entries);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const PlacedEntry& a, const PlacedEntry& b) { return a.address < b.address; });
  return entries;
}

}  // namespace kelvane
