// A coloured line list: the diagnostic log and the status list.
//
// Keeps the last 100 lines in memory with a colour each; any thread may call
// any operation, each of which takes the list's own lock and no other. The
// diagnostic view's Paint never waits for the lock: a writer never blocks the
// window. Created on first use by DiagnosticLog() and StatusList(), freed at
// process exit.
#ifndef KELVANE_SETTINGS_MESSAGE_LIST_H
#define KELVANE_SETTINGS_MESSAGE_LIST_H

#include <windows.h>

#include <list>
#include <string>

// Colours of the program's lines (COLORREF, 0x00BBGGRR).
constexpr COLORREF kBlack = 0;
constexpr COLORREF kRed = 255;
constexpr COLORREF kYellow = 56540;
constexpr COLORREF kStatusGrey = 0x787878;
constexpr COLORREF kTraceGrey = 0x828282;

constexpr size_t kMaxRetainedLines = 100;

struct MessageLine {
  std::wstring text;
  COLORREF colour;
};

class MessageList {
 public:
  MessageList();
  MessageList(const MessageList&) = delete;
  MessageList& operator=(const MessageList&) = delete;

  // Draws the list into the window's client area, newest line at the bottom.
  virtual void Paint(HDC dc, HWND window);
  virtual ~MessageList();

  void Append(const std::wstring& text, COLORREF colour);
  void AppendText(const WCHAR* text, COLORREF colour);
  // "ERR: " / "WRN: " and the text, cut to fit a 512-character line.
  void Error(const WCHAR* text);
  void Warning(const WCHAR* text);
  // Scrolling keys; true when the view changed and the window must repaint.
  bool HandleKey(DWORD key);
  // Writes the texts, oldest first, to log.txt in the program's directory.
  void SaveToFile();
  void ResetOffset();
  void Clear();

  size_t LineCount();
  // For tests: a copy of the lines and the view state.
  std::list<MessageLine> Lines();
  LONG HorizontalOffset();
  // Index of the view position from the oldest line; the line count when at the end.
  size_t ViewIndex();

 protected:
  class Lock;
  LONG horizontal_offset_ = 0;
  std::list<MessageLine> lines_;
  std::list<MessageLine>::iterator view_;
  CRITICAL_SECTION lock_;
};

// The status list's class: the normal view, oldest line at the top, and
// "Loading..." while it is empty.
class StatusList : public MessageList {
 public:
  void Paint(HDC dc, HWND window) override;
};

MessageList& DiagnosticLog();
// The status list, used as a MessageList. (A function of the same name as
// its class, as the C library has stat() and struct stat.)
MessageList& StatusList();

#endif
