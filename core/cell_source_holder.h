// The holder of the open cell source: opening it (with the fall-back order),
// refreshing it and switching when the user selects another source.
//
// One process-wide instance, constructed during static initialisation. Its
// lock guards the source pointer and every call into the source made through
// the holder; it is the only lock held while others are taken (sources log
// and read settings while they open). Only the worker thread opens,
// refreshes or replaces the source.
#ifndef KELVANE_CORE_CELL_SOURCE_HOLDER_H
#define KELVANE_CORE_CELL_SOURCE_HOLDER_H

#include <windows.h>

#include <memory>

#include "cell/cell_source.h"

class CellSourceHolder {
 public:
  CellSourceHolder();
  ~CellSourceHolder();
  CellSourceHolder(const CellSourceHolder&) = delete;
  CellSourceHolder& operator=(const CellSourceHolder&) = delete;

  // Replaces the source with a newly opened one of that mode: 0, or -1 when
  // the source of a known mode failed to open (the holder is then empty).
  int SelectSource(int mode);
  // The configured mode first, then 1, 2, 3; 0 when a source opened (or mode 0).
  int SelectSourceWithFallback();
  // 0 when the serving cell's identity changed, -1 when not or no source is open.
  int RefreshCell();
  // The open source's mode number, 0 when none.
  int ActiveMode();
  // The open source, for the tower resolution on the worker thread (which
  // alone replaces it); null when none is open.
  CellSource* Source() { return source_.get(); }

 private:
  CRITICAL_SECTION lock_;
  std::unique_ptr<CellSource> source_;
};

CellSourceHolder& TheCellSourceHolder();

// Called by the window when the user selects a source (0 to 3): stores the
// mode, raises ModeChange and Interrupt, wakes the worker.
void RequestMode(int mode);

// Creates the (unopened) source of a mode; null for mode 0 and unknown modes.
std::unique_ptr<CellSource> CreateCellSource(int mode);

#endif
