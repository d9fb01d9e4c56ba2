// Strict conversions between UTF-8 and UTF-16 (the program's wide text holds
// UTF-16 code units, one per WCHAR, whatever the width of WCHAR).
//
// A malformed or truncated UTF-8 sequence, an overlong form, an encoded
// surrogate or a code point above U+10FFFF fails, as does an unpaired
// surrogate in UTF-16; code points above U+FFFF become surrogate pairs. A
// failure leaves *out empty and returns false; empty input gives empty output
// and true.
#ifndef KELVANE_WIFI_UTF_TEXT_H
#define KELVANE_WIFI_UTF_TEXT_H

#include <string>

bool Utf8ToUtf16(const std::string& in, std::wstring* out);
bool Utf16ToUtf8(const std::wstring& in, std::string* out);

#endif
