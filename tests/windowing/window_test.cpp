#include "window_test.h"

namespace kelvane::testing {

std::mutex WindowTest::lock_;
std::vector<RecordedMessage> WindowTest::log_;
WindowTest::Handler WindowTest::handler_;

LRESULT CALLBACK WindowTest::RecordingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Handler handler;
  {
    std::lock_guard<std::mutex> guard(lock_);
    log_.push_back({hwnd, message, wParam, lParam, GetCurrentThreadId()});
    handler = handler_;
  }
  LRESULT result = 0;
  if (handler && handler(hwnd, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void WindowTest::SetUp() {
  DeviceTest::SetUp();
  {
    std::lock_guard<std::mutex> guard(lock_);
    log_.clear();
    handler_ = nullptr;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordingProcedure;
  wc.lpszClassName = kClassName;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  ASSERT_NE(RegisterClassW(&wc), 0) << GetLastError();
}

void WindowTest::TearDown() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    handler_ = nullptr;
  }
  // Windows a test left behind would keep the class and this device in use,
  // and what they left in this thread's queue would reach the next test.
  while (HWND hwnd = FindWindowW(kClassName, nullptr))
    if (!DestroyWindow(hwnd)) break;
  UnregisterClassW(kClassName, nullptr);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  DeviceTest::TearDown();
}

HWND WindowTest::CreateTestWindow(const WCHAR* title, DWORD style, HWND parent) {
  return CreateWindowExW(0, kClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         parent, nullptr, nullptr, nullptr);
}

int WindowTest::RunMessageLoop() {
  MSG msg;
  BOOL result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return result < 0 ? -1 : static_cast<int>(msg.wParam);
}

std::vector<RecordedMessage> WindowTest::Recorded(UINT message) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<RecordedMessage> out;
  for (const auto& entry : log_)
    if (entry.message == message) out.push_back(entry);
  return out;
}

}  // namespace kelvane::testing
