// WM_PAINT, device contexts and text output, seen through the headless
// display's dump.
#include "window_test.h"

#include "support/screen_dump.h"

#include <string>

namespace {

using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;
using kelvane::testing::WindowTest;
class PaintTest : public WindowTest {};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = 255;  // the program's error colour
constexpr COLORREF kYellow = 56540;

void DrawText(HDC hdc, int x, int y, const std::wstring& text) {
  ExtTextOutW(hdc, x, y, ETO_OPAQUE, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

TEST_F(PaintTest, WmPaintComesOnlyWhenTheQueueIsEmptyAndCoalesces) {
  HWND hwnd = CreateTestWindow();
  MSG msg;
  // Creation made the whole window invalid; paint it once.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageW(&msg);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "default processing validated the window";

  const RECT a{1, 1, 3, 2}, b{10, 4, 12, 6};
  ASSERT_TRUE(InvalidateRect(hwnd, &a, FALSE));
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER, 0, 0));
  ASSERT_TRUE(InvalidateRect(hwnd, &b, FALSE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER)) << "posted messages come before WM_PAINT";
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  // Not validated yet: WM_PAINT stays.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  PAINTSTRUCT ps;
  ASSERT_NE(BeginPaint(hwnd, &ps), nullptr);
  EXPECT_EQ((std::vector<LONG>{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}),
            (std::vector<LONG>{1, 1, 12, 6}));
  EXPECT_FALSE(ps.fErase);
  EndPaint(hwnd, &ps);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "one WM_PAINT for both invalidations";
}

TEST_F(PaintTest, ErasingSendsWmEraseBkgndFromBeginPaint) {
  HWND hwnd = CreateTestWindow();
  UpdateWindow(hwnd);
  const size_t erases = Recorded(WM_ERASEBKGND).size();
  EXPECT_EQ(erases, 1u) << "the first paint of a shown window erases";
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  EXPECT_EQ(Recorded(WM_ERASEBKGND).size(), erases) << "no erase was asked for";
  // A procedure that does not erase leaves fErase set for the painter.
  handler_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_ERASEBKGND) return false;
    *result = 0;
    return true;
  };
  InvalidateRect(hwnd, nullptr, TRUE);
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EXPECT_TRUE(ps.fErase);
  EndPaint(hwnd, &ps);
}

TEST_F(PaintTest, DumpShowsThePaintedTextWithItsColours) {
  handler_ = [](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    SIZE extent;
    GetTextExtentPoint32W(hdc, L"A", 1, &extent);
    DrawText(hdc, 1, 0, L"Loading...");
    SetTextColor(hdc, kRed);
    DrawText(hdc, 0, extent.cy * 2, L"ERR: send() failed");
    SetTextColor(hdc, kYellow);
    SetBkColor(hdc, kBlack);
    DrawText(hdc, -2, 3, L"..WRN: cut on the left edge, and on the right one");
    EndPaint(hwnd, &ps);
    return true;
  };
  HWND hwnd = CreateTestWindow(L"Kelvane");
  UpdateWindow(hwnd);
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump)) << ReadHostFile("screen.txt");
  EXPECT_EQ(dump.columns, 40);
  EXPECT_EQ(dump.rows, 20);
  EXPECT_EQ(dump.window.hwnd, hwnd);
  EXPECT_EQ(dump.window.title, L"Kelvane");
  EXPECT_EQ(dump.window.class_name, kClassName);
  EXPECT_TRUE(dump.window.visible);
  EXPECT_EQ(dump.text[0], " Loading...");
  EXPECT_EQ(dump.text[1], "");
  EXPECT_EQ(dump.text[2], "ERR: send() failed");
  EXPECT_EQ(dump.text[3], std::string("WRN: cut on the left edge, and on the ri"));
  EXPECT_EQ(dump.At(0, 1).fg, kBlack);
  EXPECT_EQ(dump.At(0, 1).bg, kWhite);
  EXPECT_EQ(dump.At(2, 0).fg, kRed);
  EXPECT_EQ(dump.At(2, 17).fg, kRed);
  EXPECT_EQ(dump.At(2, 18).fg, kBlack) << "the rest of the row is the erased background";
  EXPECT_EQ(dump.At(3, 39).fg, kYellow);
  EXPECT_EQ(dump.At(3, 39).bg, kBlack);
}

TEST_F(PaintTest, OpaqueRectangleClippingAndTheUpdateRegion) {
  HWND hwnd = CreateTestWindow();
  UpdateWindow(hwnd);
  const RECT update{0, 1, 40, 2};
  InvalidateRect(hwnd, &update, FALSE);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  SetBkColor(hdc, kRed);
  const RECT box{2, 0, 8, 3};
  // Only row 1 may change: the rest lies outside the update region.
  ExtTextOutW(hdc, 2, 0, ETO_OPAQUE, &box, L"abc", 3, nullptr);
  ExtTextOutW(hdc, 2, 1, ETO_OPAQUE | ETO_CLIPPED, &box, L"0123456789", 10, nullptr);
  EndPaint(hwnd, &ps);
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.text[0], "");
  EXPECT_EQ(dump.text[1], "  012345");
  EXPECT_EQ(dump.At(1, 7).bg, kRed);
  EXPECT_EQ(dump.At(1, 8).bg, kWhite);
  EXPECT_EQ(dump.At(0, 2).bg, kWhite);
  EXPECT_EQ(dump.At(2, 2).bg, kWhite);
}

TEST_F(PaintTest, GetDcDrawsOnTheClientAreaOfAChildWindow) {
  HWND top = CreateTestWindow();
  HWND child = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 5, 2, 4, 1, top, nullptr, nullptr, nullptr);
  HDC hdc = GetDC(child);
  ASSERT_NE(hdc, nullptr);
  DrawText(hdc, 0, 0, L"child!");
  EXPECT_EQ(ReleaseDC(child, hdc), 1);
  EXPECT_EQ(ReleaseDC(child, hdc), 0) << "released once";
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.text[2], "     chil");
}

TEST_F(PaintTest, DeviceContextCallsRefuseUnknownHandles) {
  HDC bogus = reinterpret_cast<HDC>(0x99990);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetTextColor(bogus, kRed), static_cast<COLORREF>(CLR_INVALID));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ExtTextOutW(bogus, 0, 0, 0, nullptr, L"x", 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SIZE size;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetTextExtentPoint32W(bogus, L"x", 1, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  HWND hwnd = CreateTestWindow();
  HDC hdc = GetDC(hwnd);
  ASSERT_TRUE(GetTextExtentPoint32W(hdc, L"status", 6, &size));
  EXPECT_EQ(size.cx, 6);
  EXPECT_EQ(size.cy, 1);
  EXPECT_EQ(SetTextColor(hdc, kRed), kBlack);
  EXPECT_EQ(SetTextColor(hdc, kBlack), kRed);
  ReleaseDC(hwnd, hdc);
  EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
  EXPECT_NE(GetStockObject(WHITE_BRUSH), GetStockObject(BLACK_BRUSH));
}

TEST_F(PaintTest, DumpShowsTheCursor) {
  CreateTestWindow();
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  ASSERT_NE(wait, nullptr);
  EXPECT_EQ(SetCursor(wait), nullptr);
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.cursor, "wait");
  EXPECT_EQ(SetCursor(nullptr), wait);
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.cursor, "none");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

}  // namespace
