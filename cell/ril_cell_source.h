// The cell source that asks the phone's Radio Interface Layer ("ril.dll",
// loaded at run time) for the serving cell (mode 1).
//
// Each reading obtains its own RIL handle and releases it before returning.
// The answer arrives through a result callback on the RIL's own thread; the
// current cell, the pending command and the home codes are process-wide,
// since the callback has no other way to reach them, and outlive the object.
// Each source has its own answer event, which the callback reaches through
// that process-wide state while the source exists.
#ifndef KELVANE_CELL_RIL_CELL_SOURCE_H
#define KELVANE_CELL_RIL_CELL_SOURCE_H

#include <windows.h>
#include <ril.h>

#include "cell/cell_source.h"

class RilCellSource : public CellSource {
 public:
  RilCellSource();
  ~RilCellSource() override;

  int Open() override;
  int Refresh() override;
  int ModeNumber() override { return kModeRil; }
  int CellCount() override { return 1; }
  CellRecord* GetCell(int index, CellRecord* destination) override;

 private:
  typedef HRESULT(WINAPI* DevSpecificFn)(HRIL, const BYTE*, DWORD);
  typedef HRESULT(WINAPI* GetCellTowerInfoFn)(HRIL);
  typedef HRESULT(WINAPI* InitializeFn)(DWORD, RILRESULTCALLBACK, RILNOTIFYCALLBACK, DWORD, DWORD, HRIL*);
  typedef HRESULT(WINAPI* DeinitializeFn)(HRIL);

  bool LoadEntryPoints();

  DevSpecificFn dev_specific_ = nullptr;
  GetCellTowerInfoFn get_cell_tower_info_ = nullptr;
  InitializeFn initialize_ = nullptr;
  DeinitializeFn deinitialize_ = nullptr;
  DWORD answer_timeout_ = 5000;  // bounds the RIL_Initialize retries and the wait for the answer
  HMODULE library_ = nullptr;
  HANDLE answer_event_;  // auto reset; this source's, set by the result callback
};

#endif
