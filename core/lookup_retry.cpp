#include "core/lookup_retry.h"

bool LookupRetry::Due(DWORD now) const { return failed_ && now - failed_at_ >= wait_; }

void LookupRetry::Record(bool found_position, DWORD now, DWORD period) {
  if (found_position) {
    failed_ = false;
    return;
  }
  const DWORD wait = failed_ ? 2 * wait_ : period;
  wait_ = wait < kLongestWait ? wait : kLongestWait;
  failed_ = true;
  failed_at_ = now;
}
