// A fixture for window tests: a fresh device, one registered class whose
// procedure records every message it gets and lets the test answer some.
#ifndef KELVANE_TESTS_WINDOWING_WINDOW_TEST_H
#define KELVANE_TESTS_WINDOWING_WINDOW_TEST_H

#include "support/device_fixture.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

namespace kelvane::testing {

struct RecordedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

class WindowTest : public DeviceTest {
 protected:
  static constexpr const WCHAR* kClassName = L"KelvaneTestClass";
  // Answers a message instead of DefWindowProcW when it returns true.
  using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;

  void SetUp() override;
  void TearDown() override;

  HWND CreateTestWindow(const WCHAR* title = L"Test", DWORD style = WS_VISIBLE, HWND parent = nullptr);
  // Runs GetMessageW/TranslateMessage/DispatchMessageW until GetMessageW
  // returns 0 (the exit code) or -1.
  int RunMessageLoop();
  // The recorded messages of one kind, oldest first.
  std::vector<RecordedMessage> Recorded(UINT message);

  static LRESULT CALLBACK RecordingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static std::mutex lock_;
  static std::vector<RecordedMessage> log_;
  static Handler handler_;
};

}  // namespace kelvane::testing

#endif
