// Turning host failures into the platform's last error and failure value, in
// one place, so the last error is never stale and never invented per call site.
#ifndef KELVANE_PLATFORM_LAST_ERROR_H
#define KELVANE_PLATFORM_LAST_ERROR_H

#include <windows.h>

namespace kelvane {

// The platform error that stands for a host errno value.
DWORD ErrorFromErrno(int host_errno);

// Sets the last error and returns the documented failure value.
template <class T>
T Fail(DWORD error, T failure_value) {
  SetLastError(error);
  return failure_value;
}
template <class T>
T FailFromErrno(int host_errno, T failure_value) {
  return Fail(ErrorFromErrno(host_errno), failure_value);
}

}  // namespace kelvane

#endif
