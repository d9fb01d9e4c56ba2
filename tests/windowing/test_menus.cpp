// Menus, the shell's soft-key menu bar and the keys that drive them.
#include "window_test.h"

#include "internal/overlays.h"
#include "support/screen_dump.h"

#include <aygshell.h>
#include <commctrl.h>

#include "kelvane_module.h"

namespace {

// The test program's resources, as the program carries its own: a bar with
// a plain left key and a right key that opens a menu with a nested pop-up.
const KELVANE_MENU_ITEM kItems[] = {
    {0, 0, L"Menu"}, {1, 10, L"First"}, {1, 0, L"More"}, {2, 20, L"Deep"}, {2, 21, L"Deeper"}, {1, 11, L"Last"},
};
const KELVANE_MENU kMenus[] = {{300, kItems, 6}};
const KELVANE_MENU_BAR_BUTTON kButtons[] = {
    {I_IMAGENONE, 104, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 106, KELVANE_NOMENU},
    {I_IMAGENONE, 101, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE, 105, 0},
};
// 302 names a pop-up the menu does not have.
const KELVANE_MENU_BAR_BUTTON kBrokenButtons[] = {
    {I_IMAGENONE, 101, TBSTATE_ENABLED, TBSTYLE_DROPDOWN, 105, 7},
};
const KELVANE_MENU_BAR kBars[] = {{301, 300, kButtons, 2}, {302, 300, kBrokenButtons, 1}};
// Icon 103 is also the class icon of test_class_icons.cpp.
const char* const kGoodRows[] = {"01", "f0"};
const char* const kTwoColourRows[] = {"0110"};
const char* const kBadRows[] = {"0g", "00"};
const KELVANE_ICON_IMAGE kGoodImages[] = {{2, 2, 16, kGoodRows}, {4, 1, 2, kTwoColourRows}};
const KELVANE_ICON_IMAGE kBadImages[] = {{2, 2, 16, kBadRows}};
const KELVANE_ICON kIcons[] = {{103, kGoodImages, 2}, {104, kBadImages, 1}};
const KELVANE_RESOURCES kResources = {kMenus, 1, kBars, 2, kIcons, 2, TRUE};

}  // namespace

KELVANE_RESOURCES_DEFINITION { return &kResources; }

namespace {

using kelvane::PressKey;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;
using kelvane::testing::WindowTest;

class MenuTest : public WindowTest {
 protected:
  // A window with the test bar; false when the shell refused it.
  bool CreateWindowWithBar(HWND* window, HWND* bar) {
    *window = CreateTestWindow();
    SHMENUBARINFO info = {};
    info.cbSize = sizeof info;
    info.hwndParent = *window;
    info.nToolBarId = 301;
    const BOOL created = SHCreateMenuBar(&info);
    *bar = info.hwndMB;
    return created && *bar;
  }
  // Dispatches what waits in this thread's queue.
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  std::vector<WPARAM> Commands() {
    std::vector<WPARAM> out;
    for (const auto& m : Recorded(WM_COMMAND)) out.push_back(m.wParam);
    return out;
  }
};

TEST_F(MenuTest, CheckMarksFindItemsInPopUpsAndReportThePreviousState) {
  HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(300));
  ASSERT_NE(menu, nullptr) << GetLastError();
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION), static_cast<UINT>(MF_POPUP));
  const struct {
    UINT id;
    UINT flags;
    DWORD expected;
    DWORD error;
  } cases[] = {
      {21, MF_BYCOMMAND | MF_CHECKED, MF_UNCHECKED, 0},  // found inside "More"
      {21, MF_BYCOMMAND | MF_CHECKED, MF_CHECKED, 0},
      {21, MF_BYCOMMAND | MF_UNCHECKED, MF_CHECKED, 0},
      {2, MF_BYPOSITION | MF_CHECKED, MF_UNCHECKED, 0},  // "Last"
      {99, MF_BYCOMMAND | MF_CHECKED, 0xFFFFFFFF, ERROR_MENU_ITEM_NOT_FOUND},
      {3, MF_BYPOSITION | MF_CHECKED, 0xFFFFFFFF, ERROR_MENU_ITEM_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CheckMenuItem(popup, c.id, c.flags), c.expected) << c.id;
    if (c.error) {
      EXPECT_EQ(GetLastError(), c.error) << c.id;
    }
  }
  EXPECT_EQ(GetMenuState(popup, 11, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(popup, 21, MF_BYCOMMAND), static_cast<UINT>(MF_UNCHECKED));
  // A missing pop-up (a failed menu bar's) is no menu.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CheckMenuItem(nullptr, 10, MF_CHECKED), 0xFFFFFFFFu);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  // The pop-ups go with their menu.
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_EQ(GetMenuItemCount(popup), -1);
  EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(399)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(MenuTest, TheMenuBarTakesTheBottomRowAndGoesWithItsOwner) {
  HWND window, bar;
  ASSERT_TRUE(CreateWindowWithBar(&window, &bar)) << GetLastError();
  RECT rect;
  ASSERT_TRUE(GetWindowRect(bar, &rect));
  EXPECT_EQ(rect.top, 19);
  EXPECT_EQ(rect.bottom, 20);
  EXPECT_EQ(rect.right, 40);
  // The right key's pop-up is the menu's pop-up 0; the left key has none.
  const HMENU popup = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 101));
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 104), 0);
  // The bar is no window of the device's table: the owner stays the main window.
  EXPECT_EQ(FindWindowW(L"menu_worker", nullptr), nullptr);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(GetMenuItemCount(popup), -1) << "the bar's menu goes with it";
}

TEST_F(MenuTest, TheShellRefusesBadRequestsAndCanFailOnItsOwn) {
  HWND window = CreateTestWindow();
  struct Case {
    DWORD size;
    HWND parent;
    UINT id;
    DWORD error;
  };
  const Case cases[] = {
      {sizeof(SHMENUBARINFO) - 4, window, 301, ERROR_INVALID_PARAMETER},
      {sizeof(SHMENUBARINFO), nullptr, 301, ERROR_INVALID_WINDOW_HANDLE},
      {sizeof(SHMENUBARINFO), window, 399, ERROR_RESOURCE_NAME_NOT_FOUND},
      {sizeof(SHMENUBARINFO), window, 302, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SHMENUBARINFO info = {};
    info.cbSize = c.size;
    info.hwndParent = c.parent;
    info.nToolBarId = c.id;
    info.hwndMB = reinterpret_cast<HWND>(0x10);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SHCreateMenuBar(&info)) << c.id;
    EXPECT_EQ(GetLastError(), c.error) << c.id;
  }
  Json::Value profile;
  profile["menuBarFails"] = true;
  WriteProfile(profile);
  HWND bar = reinterpret_cast<HWND>(0x10);
  EXPECT_FALSE(CreateWindowWithBar(&window, &bar));
  EXPECT_EQ(bar, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES));
  // Without a bar the soft keys are ordinary keys of the window.
  PressKey(VK_TSOFT1);
  Pump();
  ASSERT_EQ(Recorded(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(Recorded(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_F1));
}

TEST_F(MenuTest, SoftKeysSendCommandsAndAnOpenMenuKeepsKeysFromTheWindow) {
  HWND window, bar;
  ASSERT_TRUE(CreateWindowWithBar(&window, &bar)) << GetLastError();
  PressKey(VK_TSOFT1);  // the left key: its command
  PressKey(VK_TSOFT2);  // the right key: its menu opens
  PressKey(VK_DOWN);    // "More"
  PressKey(VK_RIGHT);   // opens it
  PressKey(VK_UP);      // round to "Deeper"
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.menus.size(), 2u);
  EXPECT_EQ(dump.menus[0].selected, 1u);
  EXPECT_EQ(dump.menus[1].selected, 1u);
  EXPECT_EQ(dump.menus[1].items[1].text, L"Deeper");
  EXPECT_GE(dump.FindRow("Deeper"), 0);
  PressKey(VK_RETURN);  // chooses "Deeper" and closes the menu
  PressKey(VK_TSOFT2);
  PressKey(VK_ESCAPE);  // closes it unchosen
  PressKey(VK_DOWN);    // the window's again
  Pump();
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{104, 21}));
  ASSERT_EQ(Recorded(WM_KEYDOWN).size(), 1u) << "an open menu keeps the keys";
  EXPECT_EQ(Recorded(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_DOWN));
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_TRUE(dump.menus.empty());
  ASSERT_EQ(dump.soft_keys.size(), 2u);
  EXPECT_EQ(dump.soft_keys[1], L"Menu");  // string 105 of the test program's table
}

TEST_F(MenuTest, IconsComeWholeFromTheModulesResources) {
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103)), nullptr) << GetLastError();
  const struct {
    HINSTANCE module;
    WORD id;
    DWORD error;
  } cases[] = {
      {GetModuleHandleW(nullptr), 105, ERROR_RESOURCE_NAME_NOT_FOUND},
      {GetModuleHandleW(nullptr), 104, ERROR_INVALID_DATA},  // a row that is no colour index
      {nullptr, 103, ERROR_RESOURCE_NAME_NOT_FOUND},         // the device has no system icons
  };
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadIconW(c.module, MAKEINTRESOURCEW(c.id)), nullptr) << c.id;
    EXPECT_EQ(GetLastError(), c.error) << c.id;
  }
}

}  // namespace
