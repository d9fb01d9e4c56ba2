// The 16-bit month stamp of both cache files, (year << 4) | month in UTC
// (August 2009 is 0x7D98), and the age rule that goes with it.
#ifndef KELVANE_LOOKUP_MONTH_STAMP_H
#define KELVANE_LOOKUP_MONTH_STAMP_H

#include <windows.h>

// January 1601: a cell that the services could not place.
constexpr WORD kNeverPlacedStamp = 0x6411;
constexpr WORD kNeverPlacedYear = 1601;

constexpr WORD StampOf(WORD year, WORD month) { return static_cast<WORD>((year << 4) | month); }
constexpr WORD StampYear(WORD stamp) { return static_cast<WORD>(stamp >> 4); }

// The current month's stamp, from GetSystemTime.
WORD MonthStamp();

// The time since day 1 of the stamp's month, counted as the calendar date it
// would be on that many days after 1 January 1601: m = (year - 1601) * 12 +
// month. 1601's months give the thresholds: m >= 2 is at least 31 days,
// m >= 3 at least 59, m >= 4 at least 90, m >= 6 at least 151. A stamp of
// the current month is 1.
//
// A stamp later than the current month (the clock was set back) counts as 0,
// as fresh as can be: the record is then kept and used rather than thrown away
// for a clock error. A stamp that names no month (a damaged record) counts as
// kUnreadableStampAge, older than any threshold, so the record is refreshed
// or reused.
int MonthsAge(WORD stamp);

constexpr int kUnreadableStampAge = 0x7FFFFFFF;

#endif
