// The runtime's stdio.h: the host's streams plus the device runtime's
// wide-path open. As on the device, <stdio.h> also brings the wide stream
// functions (fgetws, fputws, fwprintf).
//
// _wfopen maps the device path to the host path under the device root and
// returns an ordinary FILE*, so fread, fwrite, fseek, fgetws and fclose work
// on it as usual. Modes are those of the device runtime: "r", "w", "a", each
// with an optional "+", and "b" (binary) or "t" (text, the default). A text
// stream opened only for reading reads "\r\n" as "\n"; written lines end in
// "\n". Wide text is converted by the host runtime's locale (ASCII in the
// "C" locale). On failure it answers NULL with errno set.
#include_next <stdio.h>

#ifndef KELVANE_STDIO_H
#define KELVANE_STDIO_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

FILE* _wfopen(const wchar_t* filename, const wchar_t* mode);

#ifdef __cplusplus
}
#endif

#endif
