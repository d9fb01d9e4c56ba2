// The processor the HAL reports, from the profile:
//   "processor": {"name": "OMAP850", "vendor": "Texas Instruments",
//                 "core": "ARM926EJ-S", "queryFails": false}
// Without the section the device has the default handset's processor, which
// is no OMAP. "queryFails" models a HAL that does not know the code.
#include <windows.h>
#include <pkfuncs.h>

#include "internal/device_root.h"
#include "internal/kernel_io_control.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"

#include <cwchar>
#include <string>

namespace kelvane {
namespace {

template <size_t N>
void CopyText(WCHAR (&field)[N], const std::string& text) {
  std::wcsncpy(field, Widen(text).c_str(), N - 1);
  field[N - 1] = L'\0';
}

}  // namespace

BOOL AnswerProcessorInformation(LPVOID, DWORD, LPVOID out, DWORD out_size, LPDWORD returned) {
  if (ProfileFlag("processor", "queryFails", false)) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  // The HAL reports the size it needs even when the buffer is too small.
  if (returned) *returned = sizeof(PROCESSOR_INFO);
  if (!out || out_size < sizeof(PROCESSOR_INFO)) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  PROCESSOR_INFO info = {};
  info.wVersion = 1;
  CopyText(info.szProcessorName, ProfileText("processor", "name", "PXA270"));
  CopyText(info.szVendor, ProfileText("processor", "vendor", "Intel"));
  CopyText(info.szProcessCore, ProfileText("processor", "core", "XScale"));
  *static_cast<PROCESSOR_INFO*>(out) = info;
  return TRUE;
}

}  // namespace kelvane
