// Message boxes: the buttons a box type has, and the display that shows it.
#include "internal/device_windows.h"
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/windowing.h"

namespace {

// The buttons of each box type (MB_TYPEMASK), left to right.
const std::vector<int> kButtons[] = {
    {IDOK},                         // MB_OK
    {IDOK, IDCANCEL},               // MB_OKCANCEL
    {IDABORT, IDRETRY, IDIGNORE},   // MB_ABORTRETRYIGNORE
    {IDYES, IDNO, IDCANCEL},        // MB_YESNOCANCEL
    {IDYES, IDNO},                  // MB_YESNO
    {IDRETRY, IDCANCEL},            // MB_RETRYCANCEL
};

}  // namespace

using namespace kelvane;

// ---- MessageBoxW ----
// The default button is the first unless MB_DEFBUTTONn names another that
// the box has. A null text or caption shows as empty.
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  const UINT kind = uType & MB_TYPEMASK;
  if (kind >= sizeof kButtons / sizeof kButtons[0]) return Fail(ERROR_INVALID_PARAMETER, 0);
  if (hWnd && !IsWindow(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, 0);
  const std::vector<int>& buttons = kButtons[kind];
  const size_t default_index = (uType & MB_DEFMASK) >> 8;
  const int default_button = default_index < buttons.size() ? buttons[default_index] : buttons[0];
  return ShowMessageBox(lpText ? lpText : L"", lpCaption ? lpCaption : L"", uType, buttons, default_button);
}
