#include "settings/message_list.h"

#include <stdio.h>

#include <iterator>

#include "core/app_state.h"
#include "core/first_use.h"
#include "settings/resource_text.h"

class MessageList::Lock {
 public:
  explicit Lock(MessageList* list) : lock_(&list->lock_) { EnterCriticalSection(lock_); }
  ~Lock() { LeaveCriticalSection(lock_); }

 private:
  CRITICAL_SECTION* lock_;
};

MessageList::MessageList() : view_(lines_.end()) { InitializeCriticalSection(&lock_); }

MessageList::~MessageList() { DeleteCriticalSection(&lock_); }

void MessageList::Append(const std::wstring& text, COLORREF colour) {
  Lock guard(this);
  lines_.push_back(MessageLine{text, colour});
  while (lines_.size() > kMaxRetainedLines) lines_.pop_front();
  view_ = std::prev(lines_.end());
}

void MessageList::AppendText(const WCHAR* text, COLORREF colour) { Append(std::wstring(text), colour); }

void MessageList::Error(const WCHAR* text) {
  WCHAR line[512];
  swprintf(line, 512, L"ERR: %.506ls", text);
  AppendText(line, kRed);
}

void MessageList::Warning(const WCHAR* text) {
  WCHAR line[512];
  swprintf(line, 512, L"WRN: %.506ls", text);
  AppendText(line, kYellow);
}

bool MessageList::HandleKey(DWORD key) {
  Lock guard(this);
  switch (key) {
    case VK_RETURN:
      horizontal_offset_ = 0;
      return true;
    case VK_LEFT:
      if (horizontal_offset_ >= 0) return false;
      horizontal_offset_ += 20;
      return true;
    case VK_RIGHT:
      horizontal_offset_ -= 20;
      return true;
    case VK_UP:
      if (view_ == lines_.begin()) return false;
      --view_;
      return true;
    case VK_DOWN:
      if (view_ == lines_.end()) return false;
      if (++view_ == lines_.end()) --view_;
      return true;
    default:
      return false;
  }
}

void MessageList::Paint(HDC dc, HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const LONG height = client.bottom - client.top;
  SIZE letter;
  GetTextExtentPoint32W(dc, L"A", 1, &letter);
  if (!TryEnterCriticalSection(&lock_)) return;  // repainted later; never wait for a writer
  LONG y = height - letter.cy;
  if (y >= 0 && view_ != lines_.end()) {
    for (auto line = view_;; --line) {
      SetTextColor(dc, line->colour);
      ExtTextOutW(dc, horizontal_offset_, y, ETO_OPAQUE, nullptr, line->text.c_str(),
                  static_cast<UINT>(line->text.size()), nullptr);
      if (line == lines_.begin()) break;
      y -= letter.cy;
      if (y < 0) break;
    }
  }
  LeaveCriticalSection(&lock_);
}

void MessageList::SaveToFile() {
  WCHAR path[MAX_PATH];
  swprintf(path, MAX_PATH, L"%lslog.txt", GetAppState().settings.program_directory);
  Lock guard(this);
  FILE* file = _wfopen(path, L"wt");
  if (!file) return;  // nothing to report to: the log is what failed
  for (const MessageLine& line : lines_) {
    for (WCHAR c : line.text) fputc(c <= 0xFF ? static_cast<int>(c) : '?', file);
    fputc('\n', file);
    fflush(file);
  }
  fclose(file);
}

void MessageList::ResetOffset() {
  Lock guard(this);
  horizontal_offset_ = 0;
}

void MessageList::Clear() {
  Lock guard(this);
  lines_.clear();
  view_ = lines_.end();
}

size_t MessageList::LineCount() {
  Lock guard(this);
  return lines_.size();
}

std::list<MessageLine> MessageList::Lines() {
  Lock guard(this);
  return lines_;
}

LONG MessageList::HorizontalOffset() {
  Lock guard(this);
  return horizontal_offset_;
}

size_t MessageList::ViewIndex() {
  Lock guard(this);
  return static_cast<size_t>(std::distance(lines_.begin(), view_));
}

void StatusList::Paint(HDC dc, HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const LONG height = client.bottom - client.top;
  SIZE letter;
  GetTextExtentPoint32W(dc, L"A", 1, &letter);
  if (LineCount() == 0) {
    WCHAR loading[128];
    LoadResourceText(IDS_LOADING, loading, 128);
    SetTextColor(dc, kBlack);
    ExtTextOutW(dc, 1, 0, ETO_OPAQUE, nullptr, loading, static_cast<UINT>(wcslen(loading)), nullptr);
    return;
  }
  Lock guard(this);
  LONG y = 0;
  for (const MessageLine& line : lines_) {
    SetTextColor(dc, line.colour);
    ExtTextOutW(dc, horizontal_offset_ + 1, y, ETO_OPAQUE, nullptr, line.text.c_str(),
                static_cast<UINT>(line.text.size()), nullptr);
    y += letter.cy;
    if (y > height) break;
  }
}

MessageList& DiagnosticLog() { return FirstUse<MessageList>::Get(); }

MessageList& StatusList() { return FirstUse<MessageList, class StatusList>::Get(); }
