// A window class keeps its icon, and the displays show the foreground
// window's: the dump lists its images, the terminal draws a mark of it.
#include "window_test.h"

#include "internal/icon_mark.h"
#include "support/screen_dump.h"

namespace {

using kelvane::Icon;
using kelvane::IconImage;
using kelvane::MarkOf;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;
using kelvane::testing::WindowTest;

constexpr const WCHAR* kIconClass = L"KelvaneIconClass";

class ClassIconTest : public WindowTest {
 protected:
  void TearDown() override {
    while (HWND hwnd = FindWindowW(kIconClass, nullptr))
      if (!DestroyWindow(hwnd)) break;
    UnregisterClassW(kIconClass, nullptr);
    WindowTest::TearDown();
  }
  // Registers kIconClass with an icon handle; the atom, or 0.
  ATOM RegisterWithIcon(HICON icon) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProcedure;
    wc.lpszClassName = kIconClass;
    wc.hIcon = icon;
    return RegisterClassW(&wc);
  }
};

TEST_F(ClassIconTest, TheForegroundWindowsClassIconIsInTheDumpAndAClassWithoutOneShowsNone) {
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103));
  ASSERT_NE(icon, nullptr) << GetLastError();
  ASSERT_NE(RegisterWithIcon(icon), 0) << GetLastError();
  ASSERT_NE(CreateWindowExW(0, kIconClass, L"With", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.window.title, L"With");
  ASSERT_TRUE(dump.has_class_icon);
  EXPECT_EQ(dump.class_icon_id, 103u);
  EXPECT_EQ(dump.class_icon_images, (std::vector<ScreenDump::IconImage>{{2, 2, 16}, {4, 1, 2}}));

  ASSERT_NE(CreateTestWindow(L"Without"), nullptr);
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.window.title, L"Without");
  EXPECT_FALSE(dump.has_class_icon);
}

TEST_F(ClassIconTest, AHandleThatIsNoLoadedIconIsRefused) {
  int not_an_icon = 0;
  const HICON bogus = reinterpret_cast<HICON>(&not_an_icon);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(RegisterWithIcon(bogus), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UnregisterClassW(kIconClass, nullptr)) << "the refused class was registered all the same";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DestroyIcon(bogus));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));
  // A loaded icon is shared: destroying it leaves it usable.
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_NE(RegisterWithIcon(icon), 0) << GetLastError();
}

// Each quarter of the smallest image becomes its average colour.
TEST(IconMark, AveragesTheQuartersOfTheSmallestImage) {
  IconImage small{4, 4, 16, {0, 0, 15, 0,  //
                             0, 0, 0, 15,  //
                             9, 9, 12, 12,  //
                             9, 9, 12, 12}};
  IconImage large{8, 8, 16, std::vector<BYTE>(64, 15)};
  const kelvane::IconMark mark = MarkOf(Icon{103, {large, small}});
  EXPECT_EQ(mark.top[0], RGB(0, 0, 0));
  EXPECT_EQ(mark.top[1], RGB(127, 127, 127));
  EXPECT_EQ(mark.bottom[0], RGB(255, 0, 0));
  EXPECT_EQ(mark.bottom[1], RGB(0, 0, 255));
}

}  // namespace
