// System parameters: the device's identifying texts, from the profile.
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"

namespace {

struct TextParameter {
  UINT action;
  const char* profile_key;
  const char* fallback;
};

const TextParameter kTextParameters[] = {
    {SPI_GETOEMINFO, "oemInfo", ""},
    {SPI_GETPLATFORMTYPE, "platformType", "PocketPC"},
};

}  // namespace

using namespace kelvane;

// ---- SystemParametersInfoW ----
// The texts are copied with their terminator when uiParam, the buffer's size
// in bytes, holds them; otherwise nothing is copied and the call fails with
// ERROR_INSUFFICIENT_BUFFER, as the device's adaptation layer answers.
BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT) {
  for (const auto& parameter : kTextParameters) {
    if (parameter.action != uiAction) continue;
    if (!pvParam) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const std::wstring text =
        Widen(ReadText(MemberOf(Profile(), parameter.profile_key), parameter.profile_key, parameter.fallback));
    if ((text.size() + 1) * sizeof(WCHAR) > uiParam) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    wmemcpy(static_cast<WCHAR*>(pvParam), text.c_str(), text.size() + 1);
    return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER, FALSE);
}
