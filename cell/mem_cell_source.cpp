#include "cell/mem_cell_source.h"

#include <windows.h>

#include <algorithm>

#include "cell/home_codes.h"
#include "cell/memory_rights.h"
#include "cell/processor_check.h"
#include "cell/table_run_finder.h"
#include "core/messages.h"
#include "core/process_state.h"
#include "settings/config_file.h"
#include "settings/message_list.h"

namespace {

// Only the first lines, the serving cell and its strongest neighbours, stand out.
constexpr int kBlackLines = 3;

}  // namespace

int MemCellSource::Open() {
  DiagnosticLog().AppendText(L"--- Trying MEM mode ---", kBlack);
  if (!ProcessorMayHoldRadioTable()) return -1;
  if (!ReadHomeCodes(&home_country_, &home_network_)) return -1;
  PostToMainWindow(MSG_BUSY);
  table_address_ = ReadNumber(L"MemPointer", 0);
  step_ = ReadNumber(L"MemStep", 0);
  bool found;
  {
    MemoryRights rights;
    found = StoredTableHolds() || ScanForTable();
  }
  if (!found) DiagnosticLog().Warning(L"data was not found in memory");
  cells_.clear();
  PostToMainWindow(MSG_IDLE);
  return found ? 0 : -1;
}

bool MemCellSource::StoredTableHolds() {
  // A scan finds no other steps: a stored step outside them is not the table's.
  if (table_address_ == 0 || step_ < kShortestTableStep || step_ > kLongestTableStep) return false;
  RadioTableEntry entry;
  return ReadEntry(table_address_, &entry) && IsValidEntry(entry.bytes, home_country_, home_network_);
}

bool MemCellSource::ReadEntry(uint64_t address, RadioTableEntry* entry) {
  DWORD read = 0;
  return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                           entry->bytes, kRadioEntrySize, &read) &&
         read == kRadioEntrySize;
}

int MemCellSource::Refresh() {
  PostToMainWindow(MSG_BUSY);
  cells_.clear();
  {
    MemoryRights rights;
    for (int k = 0; k < kTableEntries; ++k) {
      RadioTableEntry entry;
      if (ReadEntry(uint64_t{table_address_} + uint64_t{step_} * k, &entry) &&
          IsValidEntry(entry.bytes, home_country_, home_network_) && EntryCellId(entry) != kEmptyRadioCellId)
        cells_.push_back(entry);
    }
  }
  std::stable_sort(cells_.begin(), cells_.end(),
                   [](const RadioTableEntry& a, const RadioTableEntry& b) { return EntrySignal(a) > EntrySignal(b); });
  for (size_t i = 0; i < cells_.size(); ++i) {
    const RadioTableEntry& e = cells_[i];
    WCHAR line[96];
    swprintf(line, 96, L"m %d %d %d %d %d   %d", static_cast<int>(i), EntryCountry(e), EntryNetwork(e), EntryArea(e),
             EntryCellId(e), EntrySignal(e));
    DiagnosticLog().AppendText(line, i < kBlackLines ? kBlack : kTraceGrey);
  }
  PostToMainWindow(MSG_IDLE);
  return cells_.empty() ? -1 : 0;
}

CellRecord* MemCellSource::GetCell(int index, CellRecord* destination) {
  *destination = kUnknownCell;
  if (index >= 0 && index < CellCount()) {
    const RadioTableEntry& e = cells_[static_cast<size_t>(index)];
    destination->country = EntryCountry(e);
    destination->network = EntryNetwork(e);
    destination->area = EntryArea(e);
    destination->cell_id = EntryCellId(e);
    destination->signal = EntrySignal(e);
  }
  return destination;
}
