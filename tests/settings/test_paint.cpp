// What the two views paint on the device's screen, and the texts that come
// from the translation library.
#include "support/device_fixture.h"
#include "support/screen_dump.h"

#include <windows.h>

#include "settings/message_list.h"
#include "settings/resource_text.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;

MessageList* g_painted = nullptr;

LRESULT CALLBACK PaintList(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wparam, lparam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  g_painted->Paint(dc, window);
  EndPaint(window, &paint);
  return 0;
}

class PaintTest : public DeviceTest {
 protected:
  ScreenDump PaintOnce(MessageList& list) {
    g_painted = &list;
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = PaintList;
    window_class.lpszClassName = L"PaintTest";
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, L"PaintTest", L"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    UpdateWindow(window);
    ScreenDump dump;
    EXPECT_TRUE(ReadScreenDump(root(), &dump));
    DestroyWindow(window);
    return dump;
  }
};

TEST_F(PaintTest, AnEmptyStatusListShowsLoading) {
  const ScreenDump dump = PaintOnce(StatusList());
  EXPECT_EQ(dump.FindRow("Loading..."), 0);
  EXPECT_EQ(dump.text[0], " Loading...");
}

TEST_F(PaintTest, TheStatusViewStartsAtTheTopInEachLinesColour) {
  StatusList().AppendText(L"first", kStatusGrey);
  StatusList().AppendText(L"second", kRed);
  const ScreenDump dump = PaintOnce(StatusList());
  EXPECT_EQ(dump.text[0], " first");
  EXPECT_EQ(dump.text[1], " second");
  EXPECT_EQ(dump.At(1, 1).fg, kRed);
}

TEST_F(PaintTest, TheLogViewEndsWithTheNewestLineAtTheBottom) {
  for (int i = 1; i <= 30; ++i) DiagnosticLog().Append(L"line " + std::to_wstring(i), kBlack);
  const ScreenDump dump = PaintOnce(DiagnosticLog());
  ASSERT_EQ(dump.rows, 20);
  EXPECT_EQ(dump.text[19], "line 30");
  EXPECT_EQ(dump.text[0], "line 11");
  DiagnosticLog().HandleKey(VK_UP);
  EXPECT_EQ(PaintOnce(DiagnosticLog()).text[19], "line 29");
}

TEST_F(PaintTest, AnEmptyLogPaintsNothing) {
  const ScreenDump dump = PaintOnce(DiagnosticLog());
  for (const std::string& row : dump.text) EXPECT_EQ(row, "");
}

class TranslationTest : public DeviceTest {};

TEST_F(TranslationTest, TextsComeFromTheInstalledTranslationLibrary) {
  Json::Value profile;
  profile["language"] = 0x0407;
  WriteProfile(profile);
  std::filesystem::copy_file(std::filesystem::path(KELVANE_MODULE_DIR) / "translation.dll.0407.mui.so",
                             root() / "Program Files/Kelvane/translation.dll.0407.mui.so");
  WCHAR text[128];
  LoadResourceText(IDS_LOADING, text, 128);
  EXPECT_STREQ(text, L"Laden...");
}

TEST_F(TranslationTest, AMissingTranslationLibraryIsNoError) {
  Json::Value profile;
  profile["language"] = 0x0407;
  WriteProfile(profile);
  WCHAR text[128];
  LoadResourceText(IDS_LOADING, text, 128);
  EXPECT_STREQ(text, L"Loading...");
}

}  // namespace
