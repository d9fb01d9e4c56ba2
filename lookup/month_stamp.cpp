#include "lookup/month_stamp.h"

namespace {

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

WORD MonthStamp() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return StampOf(now.wYear, now.wMonth);
}

int MonthsAge(WORD stamp) {
  SYSTEMTIME first = {};
  first.wYear = StampYear(stamp);
  first.wMonth = static_cast<WORD>(stamp & 0xF);
  first.wDay = 1;
  FILETIME first_time;
  if (!SystemTimeToFileTime(&first, &first_time)) return kUnreadableStampAge;

  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME now_time;
  if (!SystemTimeToFileTime(&now, &now_time)) return kUnreadableStampAge;

  const LONGLONG difference = static_cast<LONGLONG>(FileTimeValue(now_time) - FileTimeValue(first_time));
  if (difference < 0) return 0;
  FILETIME age_time;
  age_time.dwLowDateTime = static_cast<DWORD>(difference);
  age_time.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(difference) >> 32);
  SYSTEMTIME age;
  if (!FileTimeToSystemTime(&age_time, &age)) return kUnreadableStampAge;
  return (age.wYear - 1601) * 12 + age.wMonth;
}
