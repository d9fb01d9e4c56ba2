#include "core/cell_source_holder.h"

#include "cell/at_cell_source.h"
#include "cell/mem_cell_source.h"
#include "cell/ril_cell_source.h"
#include "core/app_state.h"
#include "core/flags.h"
#include "core/process_state.h"
#include "lookup/tower_cache_check.h"

std::unique_ptr<CellSource> CreateCellSource(int mode) {
  switch (mode) {
    case kModeRil:
      return std::make_unique<RilCellSource>();
    case kModeMemoryScan:
      return std::make_unique<MemCellSource>();
    case kModeAtCommands:
      return std::make_unique<AtCellSource>();
    default:
      return nullptr;
  }
}

CellSourceHolder::CellSourceHolder() {
  InitializeCriticalSection(&lock_);
  CheckTowerCacheFile();
}

CellSourceHolder::~CellSourceHolder() {
  source_.reset();
  DeleteCriticalSection(&lock_);
}

int CellSourceHolder::SelectSource(int mode) {
  const bool known = mode >= kModeRil && mode <= kModeAtCommands;
  int result = 0;
  EnterCriticalSection(&lock_);
  source_.reset();
  if (known) {
    std::unique_ptr<CellSource> source = CreateCellSource(mode);
    if (source && source->Open() == 0)
      source_ = std::move(source);
    else
      result = -1;
  }
  LeaveCriticalSection(&lock_);
  if (known && result == 0) SetAppMode(static_cast<DWORD>(mode));
  return result;
}

int CellSourceHolder::SelectSourceWithFallback() {
  const int configured = static_cast<int>(AppMode());
  int result = SelectSource(configured);
  if (result == 0) return 0;
  for (int mode = kModeRil; mode <= kModeAtCommands; ++mode) {
    if (TestFlag(Interrupt)) return result;
    if (mode == configured) continue;
    result = SelectSource(mode);
    if (result == 0) return 0;
  }
  return result;
}

int CellSourceHolder::RefreshCell() {
  EnterCriticalSection(&lock_);
  int result = -1;
  if (source_) {
    CellRecord before, after;
    source_->GetCell(0, &before);
    source_->Refresh();
    source_->GetCell(0, &after);
    result = SameCell(before, after) ? -1 : 0;
  }
  LeaveCriticalSection(&lock_);
  return result;
}

int CellSourceHolder::ActiveMode() {
  EnterCriticalSection(&lock_);
  const int mode = source_ ? source_->ModeNumber() : kModeNone;
  LeaveCriticalSection(&lock_);
  return mode;
}

void RequestMode(int mode) {
  SetAppMode(static_cast<DWORD>(mode));
  SetFlag(ModeChange);
  SetFlag(Interrupt);
  SetEvent(WakeEvent);
}
