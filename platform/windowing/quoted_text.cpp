// Quoting of texts in the display files.
#include "internal/quoted_text.h"

#include "internal/device_root.h"

#include <cstdio>
#include <cstdlib>

namespace kelvane {

std::string QuoteText(const std::wstring& text) {
  std::string out = "\"";
  for (const char c : Narrow(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

bool UnquoteText(const std::string& line, size_t* pos, std::wstring* text) {
  size_t i = *pos;
  if (i >= line.size() || line[i] != '"') return false;
  std::string utf8;
  for (++i; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      *pos = i + 1;
      *text = Widen(utf8);
      return true;
    }
    if (c != '\\') {
      utf8 += c;
      continue;
    }
    if (++i >= line.size()) return false;
    switch (line[i]) {
      case 'n': utf8 += '\n'; break;
      case 'r': utf8 += '\r'; break;
      case 't': utf8 += '\t'; break;
      case 'x': {
        if (i + 2 >= line.size()) return false;
        utf8 += static_cast<char>(std::strtol(line.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
        break;
      }
      default: utf8 += line[i];
    }
  }
  return false;
}

}  // namespace kelvane
