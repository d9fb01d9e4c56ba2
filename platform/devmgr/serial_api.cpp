// The communication functions. As on the device, each is one I/O control to
// the port's driver, which keeps the settings and answers them; a handle that
// is no port fails the way the driver or the file layer fails it.
#include "internal/last_error.h"

#include <pegdser.h>

#include <cstring>

namespace {

BOOL Control(HANDLE port, DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size) {
  DWORD returned = 0;
  return DeviceIoControl(port, code, const_cast<void*>(in), in_size, out, out_size, &returned, nullptr);
}

}  // namespace

using namespace kelvane;

// ---- GetCommState ----
BOOL WINAPI GetCommState(HANDLE hFile, LPDCB lpDCB) {
  if (!lpDCB) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_GET_DCB, nullptr, 0, lpDCB, sizeof(DCB));
}

// ---- SetCommState ----
BOOL WINAPI SetCommState(HANDLE hFile, LPDCB lpDCB) {
  if (!lpDCB) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_SET_DCB, lpDCB, sizeof(DCB), nullptr, 0);
}

// ---- GetCommTimeouts ----
BOOL WINAPI GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
  if (!lpCommTimeouts) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, lpCommTimeouts, sizeof(COMMTIMEOUTS));
}

// ---- SetCommTimeouts ----
BOOL WINAPI SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
  if (!lpCommTimeouts) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_SET_TIMEOUTS, lpCommTimeouts, sizeof(COMMTIMEOUTS), nullptr, 0);
}

// ---- SetCommMask ----
// Also ends a WaitCommEvent pending on the handle, which then fails.
BOOL WINAPI SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
  return Control(hFile, IOCTL_SERIAL_SET_WAIT_MASK, &dwEvtMask, sizeof(dwEvtMask), nullptr, 0);
}

// ---- GetCommMask ----
BOOL WINAPI GetCommMask(HANDLE hFile, LPDWORD lpEvtMask) {
  if (!lpEvtMask) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_GET_WAIT_MASK, nullptr, 0, lpEvtMask, sizeof(DWORD));
}

// ---- WaitCommEvent ----
// Always synchronous: the device has no overlapped I/O.
BOOL WINAPI WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED) {
  if (!lpEvtMask) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_WAIT_ON_MASK, nullptr, 0, lpEvtMask, sizeof(DWORD));
}

// ---- ClearCommError ----
BOOL WINAPI ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat) {
  SERIAL_DEV_STATUS status;
  std::memset(&status, 0, sizeof(status));
  if (!Control(hFile, IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &status, sizeof(status))) return FALSE;
  if (lpErrors) *lpErrors = status.Errors;
  if (lpStat) *lpStat = status.ComStat;
  return TRUE;
}

// ---- GetCommProperties ----
BOOL WINAPI GetCommProperties(HANDLE hFile, LPCOMMPROP lpCommProp) {
  if (!lpCommProp) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_GET_PROPERTIES, nullptr, 0, lpCommProp, sizeof(COMMPROP));
}

// ---- SetupComm ----
BOOL WINAPI SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) {
  SERIAL_QUEUE_SIZES sizes = {dwInQueue, dwOutQueue};
  return Control(hFile, IOCTL_SERIAL_SET_QUEUE_SIZE, &sizes, sizeof(sizes), nullptr, 0);
}

// ---- PurgeComm ----
BOOL WINAPI PurgeComm(HANDLE hFile, DWORD dwFlags) {
  return Control(hFile, IOCTL_SERIAL_PURGE, &dwFlags, sizeof(dwFlags), nullptr, 0);
}

// ---- EscapeCommFunction ----
BOOL WINAPI EscapeCommFunction(HANDLE hFile, DWORD dwFunc) {
  static const struct {
    DWORD function, code;
  } kCodes[] = {
      {SETXOFF, IOCTL_SERIAL_SET_XOFF},         {SETXON, IOCTL_SERIAL_SET_XON},
      {SETRTS, IOCTL_SERIAL_SET_RTS},           {CLRRTS, IOCTL_SERIAL_CLR_RTS},
      {SETDTR, IOCTL_SERIAL_SET_DTR},           {CLRDTR, IOCTL_SERIAL_CLR_DTR},
      {SETBREAK, IOCTL_SERIAL_SET_BREAK_ON},    {CLRBREAK, IOCTL_SERIAL_SET_BREAK_OFF},
      {SETIR, IOCTL_SERIAL_ENABLE_IR},          {CLRIR, IOCTL_SERIAL_DISABLE_IR},
  };
  for (const auto& entry : kCodes)
    if (entry.function == dwFunc) return Control(hFile, entry.code, nullptr, 0, nullptr, 0);
  return Fail(ERROR_INVALID_PARAMETER, FALSE);
}

// ---- GetCommModemStatus ----
BOOL WINAPI GetCommModemStatus(HANDLE hFile, LPDWORD lpModemStat) {
  if (!lpModemStat) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return Control(hFile, IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, lpModemStat, sizeof(DWORD));
}
