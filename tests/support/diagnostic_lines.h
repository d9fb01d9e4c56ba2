// The texts of the diagnostic log's lines, oldest first, for the tests of
// the program's parts that log.
#ifndef KELVANE_TESTS_SUPPORT_DIAGNOSTIC_LINES_H
#define KELVANE_TESTS_SUPPORT_DIAGNOSTIC_LINES_H

#include <string>
#include <vector>

#include "settings/message_list.h"

inline std::vector<std::wstring> LogTexts() {
  std::vector<std::wstring> texts;
  for (const MessageLine& line : DiagnosticLog().Lines()) texts.push_back(line.text);
  return texts;
}

#endif
