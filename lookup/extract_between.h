// Reading values out of a service's answer without trusting it: every search
// is bounded by the number of bytes received, so a buffer that is full and
// carries no terminating zero is never read past its end. The text is never
// changed.
#ifndef KELVANE_LOOKUP_EXTRACT_BETWEEN_H
#define KELVANE_LOOKUP_EXTRACT_BETWEEN_H

#include <windows.h>

#include <stddef.h>

// Offset of the first occurrence of a zero-terminated needle within the
// first `length` bytes of text, or -1.
long FindText(const char* text, size_t length, const char* needle);

// The value between the first occurrence of `start` and the first occurrence
// of `end` after it; false when either marker is missing.
//
// The unsigned variant reads a plain decimal: blanks around it are allowed,
// but a sign, any other character, no digits at all, or a value beyond 32
// bits make it false, so an announced length can never be garbled into a
// different one.
bool ExtractBetween(const char* text, size_t length, const char* start, const char* end, DWORD* value);
// The float variant converts as atof does (leading blanks skipped, the first
// character that cannot continue a number ends it) and narrows to single
// precision. A value longer than any number a service writes is refused.
bool ExtractBetween(const char* text, size_t length, const char* start, const char* end, float* value);

#endif
