// Painting and text output. A window's device context draws into its
// top-level window's frame, one character per cell; one cell is one unit of
// window coordinates, so the text metrics are in cells: a text of n
// characters is n wide and 1 high. Output is clipped to the update region
// (BeginPaint) or the client area (GetDC).
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/windowing.h"

#include <algorithm>
#include <cstdint>

namespace kelvane {
namespace {

struct DeviceContext {
  HWND hwnd = nullptr;
  RECT clip{};  // client coordinates of the window
  COLORREF text = RGB(0, 0, 0);
  COLORREF background = RGB(255, 255, 255);
};

struct DeviceContexts {
  std::map<HDC, DeviceContext> by_handle;
  uintptr_t next = 0x1000;  // values are never reused
};

DeviceContexts& Contexts() {  // under WindowLock()
  static DeviceContexts* contexts = new DeviceContexts;
  return *contexts;
}

// The stock objects the device offers; their handles are their entries' addresses.
struct StockObject {
  int index;
  bool brush;
  COLORREF colour;
};
const StockObject kStockObjects[] = {
    {WHITE_BRUSH, true, RGB(255, 255, 255)},
    {BLACK_BRUSH, true, RGB(0, 0, 0)},
    {SYSTEM_FONT, false, 0},
};

const StockObject* FindStockObject(HGDIOBJ handle) {
  for (const auto& object : kStockObjects)
    if (handle == &object) return &object;
  return nullptr;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) r = RECT{};
  return r;
}

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

HDC NewContext(HWND hwnd, const RECT& clip) {
  DeviceContexts& contexts = Contexts();
  const HDC hdc = reinterpret_cast<HDC>(contexts.next);
  contexts.next += 0x10;
  DeviceContext dc;
  dc.hwnd = hwnd;
  dc.clip = clip;
  contexts.by_handle[hdc] = dc;
  return hdc;
}

DeviceContext* FindContext(HDC hdc) {
  auto it = Contexts().by_handle.find(hdc);
  return it == Contexts().by_handle.end() ? nullptr : &it->second;
}

// Locked. Where a device context's output lands: the cells of the top-level
// frame, and the rectangle of the window's client area it may change.
class Canvas {
 public:
  explicit Canvas(const DeviceContext& dc) {
    auto window = FindOwnWindow(dc.hwnd);
    top_ = TopLevelOf(window);
    if (!window || !top_) return;
    const POINT origin = ClientOriginOnScreen(window);
    const POINT top_origin = ClientOriginOnScreen(top_);
    offset_ = {origin.x - top_origin.x, origin.y - top_origin.y};
    clip_ = Intersect(dc.clip, RECT{0, 0, window->Width(), window->Height()});
  }
  bool valid() const { return top_ != nullptr; }
  const RECT& clip() const { return clip_; }
  void Clip(const RECT& r) { clip_ = Intersect(clip_, r); }

  void Put(int64_t x, int64_t y, const Cell& cell) {
    if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom) return;
    const LONG fx = static_cast<LONG>(x) + offset_.x, fy = static_cast<LONG>(y) + offset_.y;
    if (fx < 0 || fy < 0 || fx >= top_->Width() || fy >= top_->Height()) return;
    top_->frame[fy * top_->Width() + fx] = cell;
  }
  void Fill(const RECT& area, const Cell& cell) {
    const RECT r = Intersect(area, clip_);
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) Put(x, y, cell);
  }

 private:
  std::shared_ptr<Window> top_;
  POINT offset_{0, 0};
  RECT clip_{};
};

}  // namespace

void InvalidateWindow(Window& window, const RECT* rect, bool erase) {
  const RECT client{0, 0, window.Width(), window.Height()};
  const RECT area = rect ? Intersect(*rect, client) : client;
  if (IsEmpty(area)) return;
  if (window.needs_paint) {
    window.update = {std::min(window.update.left, area.left), std::min(window.update.top, area.top),
                     std::max(window.update.right, area.right), std::max(window.update.bottom, area.bottom)};
  } else {
    window.update = area;
    window.needs_paint = true;
  }
  window.erase = window.erase || erase;
  window.queue->wake.notify_all();
}

void ResizeFrame(Window& window) {
  if (!window.IsTopLevel()) return;
  const LONG width = window.Width(), height = window.Height();
  if (width == window.frame_width && height == window.frame_height) return;
  std::vector<Cell> frame(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (LONG y = 0; y < std::min(height, window.frame_height); ++y)
    for (LONG x = 0; x < std::min(width, window.frame_width); ++x)
      frame[y * width + x] = window.frame[y * window.frame_width + x];
  window.frame = std::move(frame);
  window.frame_width = width;
  window.frame_height = height;
}

void ReleaseDeviceContextsOf(HWND hwnd) {
  auto& contexts = Contexts().by_handle;
  for (auto it = contexts.begin(); it != contexts.end();) it = it->second.hwnd == hwnd ? contexts.erase(it) : ++it;
}

BOOL FillWithBrush(HDC hdc, HBRUSH brush) {
  const StockObject* object = FindStockObject(brush);
  if (!object || !object->brush) return FALSE;
  std::lock_guard<std::mutex> guard(WindowLock());
  DeviceContext* dc = FindContext(hdc);
  if (!dc) return FALSE;
  Canvas canvas(*dc);
  if (!canvas.valid()) return FALSE;
  Cell blank;
  blank.bg = object->colour;
  canvas.Fill(canvas.clip(), blank);
  return TRUE;
}

}  // namespace kelvane

using namespace kelvane;

// ---- InvalidateRect ----
// A null window invalidates every window of the process.
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  std::lock_guard<std::mutex> guard(WindowLock());
  if (!hWnd) {
    for (const auto& window : OwnWindows()) InvalidateWindow(*window, nullptr, bErase);
    return TRUE;
  }
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  InvalidateWindow(*window, lpRect, bErase);
  return TRUE;
}

// ---- BeginPaint ----
// Validates the update region and clips output to it. When the region was
// invalidated with erasing, WM_ERASEBKGND is sent first; fErase tells the
// caller that nobody erased.
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  if (!lpPaint) return Fail(ERROR_INVALID_PARAMETER, static_cast<HDC>(nullptr));
  HDC hdc;
  bool erase;
  RECT area{};
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, static_cast<HDC>(nullptr));
    if (window->needs_paint) area = window->update;
    erase = window->needs_paint && window->erase;
    window->needs_paint = window->erase = false;
    window->update = RECT{};
    hdc = NewContext(hWnd, area);
  }
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = hdc;
  lpPaint->rcPaint = area;
  lpPaint->fErase = erase && CallWindowProcedure(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
  return hdc;
}

// ---- EndPaint ----
BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    const DeviceContext* dc = FindContext(lpPaint->hdc);
    if (dc && dc->hwnd == hWnd) Contexts().by_handle.erase(lpPaint->hdc);
  }
  RefreshScreen();
  return TRUE;
}

// ---- GetDC ----
// The screen's own context (a null window) does not exist on this display.
HDC WINAPI GetDC(HWND hWnd) {
  if (!hWnd) return Fail(ERROR_NOT_SUPPORTED, static_cast<HDC>(nullptr));
  std::lock_guard<std::mutex> guard(WindowLock());
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, static_cast<HDC>(nullptr));
  return NewContext(hWnd, RECT{0, 0, window->Width(), window->Height()});
}

// ---- ReleaseDC ----
// Returns 1 when the context was released, 0 when it was not the window's.
int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    const DeviceContext* dc = FindContext(hDC);
    if (!dc || dc->hwnd != hWnd) return 0;
    Contexts().by_handle.erase(hDC);
  }
  RefreshScreen();
  return 1;
}

// ---- SetTextColor ----
COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  std::lock_guard<std::mutex> guard(WindowLock());
  DeviceContext* dc = FindContext(hdc);
  if (!dc) return Fail(ERROR_INVALID_HANDLE, static_cast<COLORREF>(CLR_INVALID));
  std::swap(dc->text, color);
  return color;
}

// ---- SetBkColor ----
COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  std::lock_guard<std::mutex> guard(WindowLock());
  DeviceContext* dc = FindContext(hdc);
  if (!dc) return Fail(ERROR_INVALID_HANDLE, static_cast<COLORREF>(CLR_INVALID));
  std::swap(dc->background, color);
  return color;
}

// ---- ExtTextOutW ----
// Each character takes one cell in the text colour on the background colour
// (the device's default opaque background mode). ETO_OPAQUE fills lprc with
// the background colour first; ETO_CLIPPED clips the text to lprc. lpDx gives
// each character's advance in cells.
BOOL WINAPI ExtTextOutW(HDC hdc, int X, int Y, UINT fuOptions, const RECT* lprc, LPCWSTR lpszString, UINT cbCount,
                        const int* lpDx) {
  if (cbCount > 0 && !lpszString) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> guard(WindowLock());
  DeviceContext* dc = FindContext(hdc);
  if (!dc) return Fail(ERROR_INVALID_HANDLE, FALSE);
  Canvas canvas(*dc);
  if (!canvas.valid()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  Cell cell;
  cell.fg = dc->text;
  cell.bg = dc->background;
  if (lprc && (fuOptions & ETO_OPAQUE)) canvas.Fill(*lprc, cell);
  if (lprc && (fuOptions & ETO_CLIPPED)) canvas.Clip(*lprc);
  int64_t x = X;
  for (UINT i = 0; i < cbCount; ++i) {
    // Without lpDx the text only moves right: nothing more can show.
    if (!lpDx && x >= canvas.clip().right) break;
    cell.ch = lpszString[i];
    canvas.Put(x, Y, cell);
    x += lpDx ? lpDx[i] : 1;
  }
  return TRUE;
}

// ---- GetTextExtentPoint32W ----
BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize) {
  if (c < 0 || (c > 0 && !lpString) || !lpSize) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> guard(WindowLock());
  if (!FindContext(hdc)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  *lpSize = {c, 1};
  return TRUE;
}

// ---- GetStockObject ----
HGDIOBJ WINAPI GetStockObject(int fnObject) {
  for (const auto& object : kStockObjects)
    if (object.index == fnObject) return const_cast<StockObject*>(&object);
  return Fail(ERROR_INVALID_PARAMETER, static_cast<HGDIOBJ>(nullptr));
}
