// Text in the device's display files (the window table, the screen dump):
// in double quotes, UTF-8, with \\ \" \n \r \t and \xNN for other control
// characters, so that one line always holds one record.
#ifndef KELVANE_PLATFORM_QUOTED_TEXT_H
#define KELVANE_PLATFORM_QUOTED_TEXT_H

#include <windows.h>

#include <string>

namespace kelvane {

std::string QuoteText(const std::wstring& text);
// Reads a quoted text that starts at line[*pos]; on success *pos is just past
// its closing quote. False for a line that does not hold one.
bool UnquoteText(const std::string& line, size_t* pos, std::wstring* text);

}  // namespace kelvane

#endif
