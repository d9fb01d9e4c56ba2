// Tick count, calendar clock and the conversions between system time and
// file time (100-nanosecond intervals since 1 January 1601 UTC).
#include "internal/device_clock.h"
#include "internal/last_error.h"

namespace {

constexpr int64_t kTicksPerMs = 10000;

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1601 to the given date (proleptic Gregorian calendar).
int64_t DaysSince1601(int64_t year, int month, int day) {
  const int64_t y = year - 1601;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}

bool ToSystemTime(int64_t ticks, SYSTEMTIME* st) {
  int64_t ms = ticks / kTicksPerMs;
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  SYSTEMTIME out{};
  out.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1 January 1601 was a Monday
  int64_t year = 1601;
  // Whole 400-year cycles first, so far dates convert quickly.
  year += (days / 146097) * 400;
  days %= 146097;
  while (days >= (IsLeap(year) ? 366 : 365)) {
    days -= IsLeap(year) ? 366 : 365;
    ++year;
  }
  if (year > 30827) return false;
  int month = 1;
  while (days >= DaysInMonth(year, month)) {
    days -= DaysInMonth(year, month);
    ++month;
  }
  out.wYear = static_cast<WORD>(year);
  out.wMonth = static_cast<WORD>(month);
  out.wDay = static_cast<WORD>(days + 1);
  out.wHour = static_cast<WORD>(rest / 3600000);
  out.wMinute = static_cast<WORD>(rest / 60000 % 60);
  out.wSecond = static_cast<WORD>(rest / 1000 % 60);
  out.wMilliseconds = static_cast<WORD>(rest % 1000);
  *st = out;
  return true;
}

bool ToTicks(const SYSTEMTIME* st, int64_t* ticks) {
  if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
      st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
      st->wMilliseconds > 999)
    return false;
  const int64_t days = DaysSince1601(st->wYear, st->wMonth, st->wDay);
  const int64_t ms = ((days * 24 + st->wHour) * 60 + st->wMinute) * 60000 + st->wSecond * 1000 + st->wMilliseconds;
  *ticks = ms * kTicksPerMs;
  return true;
}

}  // namespace

using namespace kelvane;

// ---- GetTickCount ----
// The count wraps at 2^32 ms as on the device.
DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(DeviceMilliseconds()); }

// ---- GetSystemTime ----
void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  if (!ToSystemTime(CalendarMilliseconds() * kTicksPerMs, lpSystemTime)) *lpSystemTime = SYSTEMTIME{};
}

// ---- GetLocalTime ----
// The emulated device keeps its local time zone at UTC.
void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) { GetSystemTime(lpSystemTime); }

// ---- SetSystemTime ----
BOOL WINAPI SetSystemTime(const SYSTEMTIME* lpSystemTime) {
  int64_t ticks = 0;
  if (!lpSystemTime || !ToTicks(lpSystemTime, &ticks)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  SetCalendarMilliseconds(ticks / kTicksPerMs);
  return TRUE;
}

// ---- SystemTimeToFileTime ----
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  int64_t ticks = 0;
  if (!lpSystemTime || !lpFileTime || !ToTicks(lpSystemTime, &ticks)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  lpFileTime->dwLowDateTime = static_cast<DWORD>(ticks);
  lpFileTime->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return TRUE;
}

// ---- FileTimeToSystemTime ----
// Values with the top bit set (negative differences) are refused, as on the device.
BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  if (!lpFileTime || !lpSystemTime) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  const uint64_t value = (static_cast<uint64_t>(lpFileTime->dwHighDateTime) << 32) | lpFileTime->dwLowDateTime;
  if (value & (uint64_t{1} << 63)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (!ToSystemTime(static_cast<int64_t>(value), lpSystemTime)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return TRUE;
}
