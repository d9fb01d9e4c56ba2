#include "lookup/extract_between.h"

#include <stdlib.h>
#include <string.h>

namespace {

// Longest float text accepted; the services write a dozen characters.
constexpr size_t kMaxFloatText = 63;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The span between the markers: [*first, *first + *count).
bool FindSpan(const char* text, size_t length, const char* start, const char* end, const char** first,
              size_t* count) {
  const long start_at = FindText(text, length, start);
  if (start_at < 0) return false;
  const size_t value_at = static_cast<size_t>(start_at) + strlen(start);
  const long end_at = FindText(text + value_at, length - value_at, end);
  if (end_at < 0) return false;
  *first = text + value_at;
  *count = static_cast<size_t>(end_at);
  return true;
}

}  // namespace

long FindText(const char* text, size_t length, const char* needle) {
  const size_t needle_length = strlen(needle);
  if (needle_length == 0 || needle_length > length) return -1;
  for (size_t at = 0; at + needle_length <= length; ++at)
    if (memcmp(text + at, needle, needle_length) == 0) return static_cast<long>(at);
  return -1;
}

bool ExtractBetween(const char* text, size_t length, const char* start, const char* end, DWORD* value) {
  const char* span = nullptr;
  size_t count = 0;
  if (!FindSpan(text, length, start, end, &span, &count)) return false;
  size_t i = 0;
  while (i < count && IsBlank(span[i])) ++i;
  const size_t digits_at = i;
  unsigned long long number = 0;
  for (; i < count && span[i] >= '0' && span[i] <= '9'; ++i) {
    number = number * 10 + static_cast<unsigned>(span[i] - '0');
    if (number > 0xFFFFFFFFull) return false;
  }
  if (i == digits_at) return false;
  while (i < count && IsBlank(span[i])) ++i;
  if (i != count) return false;
  *value = static_cast<DWORD>(number);
  return true;
}

bool ExtractBetween(const char* text, size_t length, const char* start, const char* end, float* value) {
  const char* span = nullptr;
  size_t count = 0;
  if (!FindSpan(text, length, start, end, &span, &count) || count > kMaxFloatText) return false;
  char copy[kMaxFloatText + 1];
  memcpy(copy, span, count);
  copy[count] = '\0';
  *value = static_cast<float>(atof(copy));
  return true;
}
