// A second program on the device for the cross-process tests. It creates a
// top-level window of the class KelvaneHelperClass titled "Helper", paints
// how often the window was activated, and exits with code 7 once its window
// is closed.
#include <windows.h>

#include <cwchar>

namespace {

int g_activations = 0;

LRESULT CALLBACK HelperProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        ++g_activations;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      WCHAR text[32];
      const int length = std::swprintf(text, 32, L"activated %d", g_activations);
      ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, nullptr, text, static_cast<UINT>(length), nullptr);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(7);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HelperProcedure;
  wc.lpszClassName = L"KelvaneHelperClass";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (!RegisterClassW(&wc)) return 1;
  if (!CreateWindowExW(0, L"KelvaneHelperClass", L"Helper", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                       CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr))
    return 2;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
