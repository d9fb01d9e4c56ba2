// When the worker resolves again although neither the cell nor the access
// points changed: after a resolution that gave no position (the network was
// down for a moment, or the cache did not yet hold the cell), so that the
// position comes back without waiting for the phone to change cells.
//
// The first retry comes at the next pass; each further failure doubles the
// wait, up to one attempt a minute, so a dead network costs little. Used by
// the worker thread alone.
#ifndef KELVANE_CORE_LOOKUP_RETRY_H
#define KELVANE_CORE_LOOKUP_RETRY_H

#include <windows.h>

class LookupRetry {
 public:
  static constexpr DWORD kLongestWait = 60000;  // device ms

  // True when the last resolution failed and its wait has passed by now
  // (the tick count at the start of a pass).
  bool Due(DWORD now) const;
  // Records a resolution made in the pass that started at now; period is
  // the pass period, the first wait after a success.
  void Record(bool found_position, DWORD now, DWORD period);

 private:
  bool failed_ = false;
  DWORD failed_at_ = 0;
  DWORD wait_ = 0;
};

#endif
