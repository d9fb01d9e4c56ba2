// The file API: CreateFileW and the calls that work on any file-like handle
// (files here, device streams through their own kernel objects).
#include "files/host_file.h"
#include "internal/device_names.h"
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace kelvane;

// ---- CreateFileW ----
// Attributes, flags and templates change nothing for a plain file here.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  if (IsDeviceName(lpFileName))
    return OpenDeviceName(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition);
  bool existed = false;
  auto file = HostFile::Open(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition, &existed);
  if (!file) return INVALID_HANDLE_VALUE;
  HANDLE handle = InsertHandle(std::move(file));
  if (!handle) return INVALID_HANDLE_VALUE;
  // Success over a file that was there says so for the two dispositions
  // that may create it.
  const bool may_create = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(existed && may_create ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

// ---- ReadFile ----
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  KernelObjectPtr object = LookupHandle(hFile);
  if (!object) return FALSE;
  if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD done = 0;
  const BOOL ok = object->Read(lpBuffer, nNumberOfBytesToRead, &done);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
  return ok;
}

// ---- WriteFile ----
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  KernelObjectPtr object = LookupHandle(hFile);
  if (!object) return FALSE;
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD done = 0;
  const BOOL ok = object->Write(lpBuffer, nNumberOfBytesToWrite, &done);
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  return ok;
}

// ---- GetFileSize ----
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  KernelObjectPtr object = LookupHandle(hFile);
  if (!object) return INVALID_FILE_SIZE;
  return object->Size(lpFileSizeHigh);
}

// ---- SetFilePointer ----
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  KernelObjectPtr object = LookupHandle(hFile);
  if (!object) return INVALID_SET_FILE_POINTER;
  return object->Seek(lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod);
}

// ---- FlushFileBuffers ----
BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  KernelObjectPtr object = LookupHandle(hFile);
  if (!object) return FALSE;
  return object->Flush();
}

// ---- DeviceIoControl ----
BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED) {
  KernelObjectPtr object = LookupHandle(hDevice);
  if (!object) return FALSE;
  return object->IoControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                           lpBytesReturned);
}

// ---- DeleteFileW ----
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::filesystem::path host;
  if (DWORD error = HostPathOfFile(lpFileName, &host)) return Fail(error, FALSE);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    if (errno == ENOENT) return Fail(NotFoundError(host), FALSE);
    return FailFromErrno(errno, FALSE);
  }
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  // An open file cannot be deleted on the device.
  if (FileIsOpen({st.st_dev, st.st_ino})) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (unlink(host.c_str()) != 0) {
    if (errno == ENOENT) return Fail(NotFoundError(host), FALSE);
    return FailFromErrno(errno, FALSE);
  }
  return TRUE;
}
