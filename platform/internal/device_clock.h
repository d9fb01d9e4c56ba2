// Device time. GetTickCount, Sleep and every wait run on the device clock,
// which runs `scale` times faster than the host clock (profile "timeScale",
// overridden by the environment variable KELVANE_TIME_SCALE; default 1).
//
// The device booted when its root's "clock" file says (host wall-clock
// milliseconds), so every process on one device sees the same tick count and
// the same scenario step; without that file, at the process's start. The
// profile's "tickStart" offsets the count, so the 32-bit wrap can be tested.
// SetSystemTime keeps an offset of the calendar clock in the same file.
#ifndef KELVANE_PLATFORM_DEVICE_CLOCK_H
#define KELVANE_PLATFORM_DEVICE_CLOCK_H

#include <windows.h>

#include <chrono>
#include <cstdint>

namespace kelvane {

double TimeScale();
// Device milliseconds since boot, not wrapped (the scenario's time line).
uint64_t DeviceMilliseconds();
// The host deadline for a wait of `device_ms` (INFINITE gives time_point::max()).
std::chrono::steady_clock::time_point HostDeadline(DWORD device_ms);
// The calendar clock in milliseconds since 1 January 1601 UTC.
int64_t CalendarMilliseconds();
void SetCalendarMilliseconds(int64_t ms_since_1601);
// Writes a new boot instant for the device root (the device tool does this).
void RebootDeviceClock();
// Re-reads the clock settings after a test changed the root or environment.
void ReloadDeviceClock();

}  // namespace kelvane

#endif
