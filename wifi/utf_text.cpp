#include "wifi/utf_text.h"

#include <stdint.h>

namespace {

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point starting at in[*at], or false; *at moves past it.
bool DecodeUtf8(const std::string& in, size_t* at, uint32_t* code_point) {
  const uint8_t lead = static_cast<uint8_t>(in[*at]);
  int more = 0;
  uint32_t c = 0;
  uint32_t smallest = 0;
  if (lead < 0x80) {
    c = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, c = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, c = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, c = lead & 0x07, smallest = 0x10000;
  } else {
    return false;
  }
  if (in.size() - *at - 1 < static_cast<size_t>(more)) return false;
  for (int i = 1; i <= more; ++i) {
    const uint8_t next = static_cast<uint8_t>(in[*at + i]);
    if ((next & 0xC0) != 0x80) return false;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < smallest || c > 0x10FFFF || IsSurrogate(c)) return false;
  *at += 1 + more;
  *code_point = c;
  return true;
}

}  // namespace

bool Utf8ToUtf16(const std::string& in, std::wstring* out) {
  out->clear();
  std::wstring wide;
  for (size_t at = 0; at < in.size();) {
    uint32_t c;
    if (!DecodeUtf8(in, &at, &c)) return false;
    if (c < 0x10000) {
      wide += static_cast<wchar_t>(c);
    } else {
      c -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 | (c >> 10));
      wide += static_cast<wchar_t>(0xDC00 | (c & 0x3FF));
    }
  }
  *out = wide;
  return true;
}

bool Utf16ToUtf8(const std::wstring& in, std::string* out) {
  out->clear();
  std::string narrow;
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(in[i]);
    if (c > 0xFFFF) return false;  // not a UTF-16 code unit
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      const uint32_t low = i + 1 < in.size() ? static_cast<uint32_t>(in[i + 1]) : 0;
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      narrow += static_cast<char>(c);
    } else if (c < 0x800) {
      narrow += static_cast<char>(0xC0 | (c >> 6));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      narrow += static_cast<char>(0xE0 | (c >> 12));
      narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      narrow += static_cast<char>(0xF0 | (c >> 18));
      narrow += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  *out = narrow;
  return true;
}
