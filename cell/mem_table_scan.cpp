// The scan of the upper half of the address space for the radio's table.
#include "cell/mem_cell_source.h"

#include <windows.h>

#include <string.h>

#include "cell/table_run_finder.h"
#include "core/flags.h"
#include "settings/config_file.h"
#include "settings/message_list.h"

namespace {

constexpr uint64_t kScanStart = 0x80000000u;
constexpr uint64_t kScanEnd = 0xFFFBFFFEu;
constexpr DWORD kChunkSize = 0x40000;
// Chunks overlap by one entry, so an entry across a boundary is examined
// whole in the next chunk.
constexpr DWORD kChunkAdvance = kChunkSize - kRadioEntrySize;

// Feeds the chunk's valid entries, at every byte offset, to the finder; true
// when one completes the table. Every valid entry has the marker at byte 19,
// so only offsets where it stands are examined in full.
bool FindInChunk(const uint8_t* chunk, uint32_t chunk_address, int32_t country, int32_t network,
                 TableRunFinder* finder) {
  const uint8_t* marker = chunk + kRadioEntryMarkerOffset;
  const uint8_t* const end = marker + kChunkAdvance;
  while ((marker = static_cast<const uint8_t*>(memchr(marker, kRadioEntryMarker, end - marker))) != nullptr) {
    const uint8_t* entry = marker - kRadioEntryMarkerOffset;
    if (IsValidEntry(entry, country, network) &&
        finder->Add(entry, chunk_address + static_cast<uint32_t>(entry - chunk)))
      return true;
    ++marker;
  }
  return false;
}

}  // namespace

bool MemCellSource::ScanForTable() {
  DiagnosticLog().AppendText(L"scanning...", kBlack);
  table_address_ = static_cast<uint32_t>(kScanStart);
  step_ = 0;
  auto* buffer = static_cast<uint8_t*>(LocalAlloc(LMEM_FIXED, kChunkSize));
  if (!buffer) {
    DiagnosticLog().Error(L"not enough memory");
    return false;
  }
  TableRunFinder finder;
  bool found = false;
  // 64-bit, so that the last advance cannot wrap round to the lower half.
  for (uint64_t address = kScanStart; address < kScanEnd && !found; address += kChunkAdvance) {
    if (TestFlag(Interrupt)) break;
    DWORD read = 0;
    if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)), buffer,
                           kChunkSize, &read) ||
        read != kChunkSize)
      continue;
    found = FindInChunk(buffer, static_cast<uint32_t>(address), home_country_, home_network_, &finder);
  }
  LocalFree(buffer);
  if (!found) return false;
  table_address_ = finder.table_address();
  step_ = finder.step();
  WCHAR line[32];
  swprintf(line, 32, L"found %x", static_cast<unsigned>(table_address_));
  DiagnosticLog().AppendText(line, kBlack);
  WriteNumber(L"MemPointer", table_address_);
  WriteNumber(L"MemStep", step_);
  return true;
}
