// A fresh device for each lookup test (device time 50 times faster, so the
// silence limits of seconds pass in tens of milliseconds), with helpers for
// the services' answers, the tower cache file and the diagnostic log.
#ifndef KELVANE_TESTS_LOOKUP_LOOKUP_FIXTURE_H
#define KELVANE_TESTS_LOOKUP_LOOKUP_FIXTURE_H

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "lookup/tower_cache_record.h"
#include "support/device_fixture.h"

namespace kelvane::testing {

constexpr double kTestTimeScale = 50;

class LookupTest : public DeviceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The profile of every lookup test plus the given members.
  void UseProfile(const Json::Value& extra);
  // Proxy settings as config.ini would give them.
  void UseProxy(const char* address, DWORD port);
  void UseProxy(uint16_t loopback_port) { UseProxy("127.0.0.1", loopback_port); }

  std::vector<std::wstring> LogLines();
  bool LogHas(const std::wstring& line);

  // The device's calendar clock, at midnight UTC of that day.
  void SetCalendar(WORD year, WORD month, WORD day);
  // The device's calendar clock moved forward by whole days from that date.
  void SetCalendarDaysAfter(WORD year, WORD month, WORD day, int days);

  void WriteCache(const std::vector<TowerCacheRecord>& records);
  void WriteCacheBytes(const std::string& bytes);
  std::vector<TowerCacheRecord> ReadCache();
  std::string CacheBytes();
};

// Bodies of the services' answers.
std::string GoogleBody(int32_t status, int32_t latitude_micro, int32_t longitude_micro, int32_t accuracy);
std::string YandexBody(const std::string& latitude, const std::string& longitude, const std::string& nlatitude,
                       const std::string& nlongitude);
// The cell id of a recorded binary request (bytes 31 to 34 of its body).
int32_t GoogleRequestCellId(const std::string& request);

// A cache record resolved and last used in the given month.
TowerCacheRecord CachedTower(int country, int network, int area, int cell_id, float latitude, float longitude,
                             int accuracy, WORD resolved, WORD last_used);

}  // namespace kelvane::testing

#endif
