// Window classes, creation and destruction, geometry.
#include "window_test.h"

#include <string>

namespace {

using kelvane::testing::WindowTest;
class WindowsTest : public WindowTest {};

LRESULT CALLBACK PlainProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(WindowsTest, ClassRegistrationFailsWithTheDocumentedErrors) {
  WNDCLASSW good{};
  good.lpfnWndProc = PlainProcedure;
  good.lpszClassName = L"Another";
  WNDCLASSW no_procedure = good;
  no_procedure.lpfnWndProc = nullptr;
  WNDCLASSW no_name = good;
  no_name.lpszClassName = nullptr;
  WNDCLASSW empty_name = good;
  empty_name.lpszClassName = L"";
  WNDCLASSW same_name_other_case = good;
  same_name_other_case.lpszClassName = L"kelvanetestclass";
  const struct {
    const char* what;
    const WNDCLASSW* wc;
    DWORD error;
  } cases[] = {{"null class", nullptr, ERROR_INVALID_PARAMETER},
               {"no procedure", &no_procedure, ERROR_INVALID_PARAMETER},
               {"no name", &no_name, ERROR_INVALID_PARAMETER},
               {"empty name", &empty_name, ERROR_INVALID_PARAMETER},
               {"registered name in other case", &same_name_other_case, ERROR_CLASS_ALREADY_EXISTS}};
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegisterClassW(c.wc), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  const ATOM atom = RegisterClassW(&good);
  ASSERT_NE(atom, 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(RegisterClassW(&good), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  // The atom names the class too.
  HWND hwnd = CreateWindowExW(0, MAKEINTRESOURCEW(atom), L"", 0, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(FindWindowW(L"ANOTHER", nullptr), hwnd);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UnregisterClassW(L"Another", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(UnregisterClassW(L"Another", nullptr));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UnregisterClassW(L"Another", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST_F(WindowsTest, CreationSendsWmCreateDuringTheCallWithTheCreateStruct) {
  int marker = 0;
  std::wstring class_seen, title_seen;
  LONG cx = 0, cy = 0, style = 0;
  LPVOID params = nullptr;
  BOOL valid_during_create = FALSE;
  RECT client_during_create{};
  handler_ = [&](HWND hwnd, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_CREATE) return false;
    auto cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    class_seen = cs->lpszClass;
    title_seen = cs->lpszName;
    cx = cs->cx;
    cy = cs->cy;
    style = cs->style;
    params = cs->lpCreateParams;
    valid_during_create = IsWindow(hwnd);
    GetClientRect(hwnd, &client_during_create);
    *result = 0;
    return true;
  };
  HWND hwnd = CreateWindowExW(0, kClassName, L"Kelvane", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(hwnd, nullptr);
  const auto creates = Recorded(WM_CREATE);
  ASSERT_EQ(creates.size(), 1u);
  EXPECT_EQ(creates[0].hwnd, hwnd);
  EXPECT_EQ(class_seen, kClassName);
  EXPECT_EQ(title_seen, L"Kelvane");
  EXPECT_EQ(params, &marker);
  EXPECT_EQ(style, static_cast<LONG>(WS_VISIBLE));
  // A default-sized top-level window fills the screen (40 x 20 cells).
  EXPECT_EQ(cx, 40);
  EXPECT_EQ(cy, 20);
  EXPECT_TRUE(valid_during_create);
  EXPECT_EQ(client_during_create.right, 40);
  EXPECT_EQ(client_during_create.bottom, 20);
}

TEST_F(WindowsTest, WmCreateAnsweringMinusOneFailsTheCreationAndDestroysTheWindow) {
  handler_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_CREATE) return false;
    *result = -1;
    return true;
  };
  EXPECT_EQ(CreateTestWindow(), nullptr);
  const auto destroys = Recorded(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 1u);
  EXPECT_EQ(destroys[0].hwnd, Recorded(WM_CREATE)[0].hwnd);
  EXPECT_FALSE(IsWindow(destroys[0].hwnd));
  EXPECT_EQ(FindWindowW(kClassName, nullptr), nullptr);
  EXPECT_TRUE(UnregisterClassW(kClassName, nullptr)) << "the failed window still counts for its class";
}

// Whatever a program does in WM_DESTROY, other programs still find it there:
// it is still the running instance.
TEST_F(WindowsTest, ATopLevelWindowIsFoundUntilItsWmDestroyReturns) {
  HWND found_in_destroy = nullptr;
  handler_ = [&found_in_destroy](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY) found_in_destroy = FindWindowW(kClassName, nullptr);
    return false;
  };
  HWND top = CreateTestWindow();
  ASSERT_NE(top, nullptr);
  ASSERT_TRUE(DestroyWindow(top));
  EXPECT_EQ(found_in_destroy, top);
  EXPECT_EQ(FindWindowW(kClassName, nullptr), nullptr);
}

TEST_F(WindowsTest, CreationFailsForUnknownClassesAndParents) {
  const struct {
    const char* what;
    const WCHAR* class_name;
    DWORD style;
    HWND parent;
    DWORD error;
  } cases[] = {{"unknown class", L"NoSuchClass", 0, nullptr, ERROR_CANNOT_FIND_WND_CLASS},
               {"child without parent", kClassName, WS_CHILD, nullptr, ERROR_TLW_WITH_WSCHILD},
               {"parent that is no window", kClassName, WS_CHILD, reinterpret_cast<HWND>(0x1230), ERROR_INVALID_WINDOW_HANDLE}};
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateWindowExW(0, c.class_name, L"", c.style, 0, 0, 1, 1, c.parent, nullptr, nullptr, nullptr), nullptr)
        << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
}

TEST_F(WindowsTest, GeometryOfTopLevelAndChildWindows) {
  HWND top = CreateTestWindow();
  ASSERT_TRUE(MoveWindow(top, 2, 3, 30, 10, FALSE));
  HWND child = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 4, 5, 6, 2, top, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(top, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{2, 3, 32, 13}));
  ASSERT_TRUE(GetClientRect(top, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 0, 30, 10}));
  ASSERT_TRUE(GetWindowRect(child, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{6, 8, 12, 10}));
  // Children are not top-level windows of the device.
  EXPECT_EQ(FindWindowW(kClassName, nullptr), top);
  // Destroying the parent destroys the child after it.
  ASSERT_TRUE(DestroyWindow(top));
  const auto destroys = Recorded(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].hwnd, top);
  EXPECT_EQ(destroys[1].hwnd, child);
  EXPECT_FALSE(IsWindow(child));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetClientRect(top, &r));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowsTest, ScreenSizeComesFromTheProfile) {
  Json::Value profile;
  profile["displayColumns"] = 64;
  profile["displayRows"] = 12;
  WriteProfile(profile);
  HWND hwnd = CreateTestWindow();
  RECT r;
  ASSERT_TRUE(GetClientRect(hwnd, &r));
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 12);
}

}  // namespace
