// Reads the headless display's dump, ROOT/screen.txt (format in
// docs/headless-display.md), for tests that check what a window shows.
#ifndef KELVANE_TESTS_SCREEN_DUMP_H
#define KELVANE_TESTS_SCREEN_DUMP_H

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kelvane::testing {

struct ScreenDump {
  struct Window {
    HWND hwnd = nullptr;  // null for "window none"
    int pid = 0;
    bool visible = false;
    int activations = 0;
    std::wstring class_name;
    std::wstring title;
  };
  struct Box {
    int answer = 0;
    UINT type = 0;
    std::wstring caption;
    std::wstring text;
  };
  struct MenuItem {
    UINT command = 0;  // 0 for a pop-up
    bool checked = false;
    std::wstring text;
  };
  struct Menu {
    size_t selected = 0;
    std::vector<MenuItem> items;
  };
  struct OpenBox {
    UINT type = 0;
    int selected = 0;  // the button Enter would choose
    std::wstring caption;
    std::wstring text;
  };
  struct IconImage {
    int width = 0;
    int height = 0;
    int colours = 0;
    bool operator==(const IconImage& other) const {
      return width == other.width && height == other.height && colours == other.colours;
    }
  };
  struct Colours {
    COLORREF fg = CLR_INVALID;
    COLORREF bg = CLR_INVALID;
  };

  int columns = 0;
  int rows = 0;
  Window window;
  std::string cursor;
  std::vector<Box> message_boxes;  // answered, oldest first
  bool has_window_rect = false;
  RECT window_rect{};
  bool has_class_icon = false;  // the shown window's class has an icon
  UINT class_icon_id = 0;
  std::vector<IconImage> class_icon_images;
  std::vector<std::wstring> soft_keys;
  int shell_activations = 0;
  int shell_setting_changes = 0;
  std::vector<Menu> menus;  // the open menu's levels, outermost first
  std::vector<OpenBox> open_boxes;
  std::vector<std::string> text;  // one per row, UTF-8, trailing blanks trimmed

  // The colours of a cell (CLR_INVALID outside the screen).
  Colours At(int row, int column) const;
  // The first row whose text contains `needle`, or -1.
  int FindRow(const std::string& needle) const;
  // The open menu's item with this text (null when none shows).
  const MenuItem* FindMenuItem(const std::wstring& text) const;

  std::vector<Colours> colours;  // rows x columns, row by row
};

// False when the file is missing or does not follow the format.
bool ReadScreenDump(const std::filesystem::path& root, ScreenDump* dump);

}  // namespace kelvane::testing

#endif
