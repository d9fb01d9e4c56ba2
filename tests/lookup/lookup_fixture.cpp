#include "lookup_fixture.h"

#include <winsock2.h>
#include <json/value.h>

#include <filesystem>
#include <fstream>

#include "core/app_state.h"
#include "core/flags.h"
#include "scripted_peer.h"
#include "settings/message_list.h"
#include "support/diagnostic_lines.h"

namespace kelvane::testing {
namespace {

constexpr const char* kCachePath = "Program Files/Kelvane/cells.dat";

void PutBigEndian(std::string* out, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(bits >> shift));
}

}  // namespace

void LookupTest::SetUp() {
  DeviceTest::SetUp();
  // What an earlier test in the same process left on the device.
  std::filesystem::remove(root() / kCachePath);
  std::filesystem::remove(root() / "connmgr.log");
  UseProfile(Json::Value(Json::objectValue));
  // The program starts the socket library at start-up.
  WSADATA wsa_data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa_data), 0);
  ClearFlag(Interrupt);
  UseProxy("", 0);
  DiagnosticLog().Clear();
}

void LookupTest::TearDown() {
  ClearFlag(Interrupt);
  WSACleanup();
  DeviceTest::TearDown();
}

void LookupTest::UseProfile(const Json::Value& extra) {
  Json::Value profile = extra;
  profile["timeScale"] = kTestTimeScale;
  WriteProfile(profile);
}

void LookupTest::UseProxy(const char* address, DWORD port) {
  Settings& settings = GetAppState().settings;
  snprintf(settings.proxy_address, sizeof settings.proxy_address, "%s", address);
  settings.proxy_port = port;
}

std::vector<std::wstring> LookupTest::LogLines() { return LogTexts(); }

bool LookupTest::LogHas(const std::wstring& wanted) {
  for (const std::wstring& line : LogLines())
    if (line == wanted) return true;
  return false;
}

void LookupTest::SetCalendar(WORD year, WORD month, WORD day) { SetCalendarDaysAfter(year, month, day, 0); }

void LookupTest::SetCalendarDaysAfter(WORD year, WORD month, WORD day, int days) {
  SYSTEMTIME date = {};
  date.wYear = year;
  date.wMonth = month;
  date.wDay = day;
  FILETIME time;
  ASSERT_TRUE(SystemTimeToFileTime(&date, &time));
  ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  ticks += static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ull;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  ASSERT_TRUE(FileTimeToSystemTime(&time, &date));
  ASSERT_TRUE(SetSystemTime(&date));
}

void LookupTest::WriteCache(const std::vector<TowerCacheRecord>& records) {
  std::string bytes;
  for (const TowerCacheRecord& record : records) {
    uint8_t encoded[kTowerRecordSize];
    EncodeTowerRecord(record, encoded);
    bytes.append(reinterpret_cast<const char*>(encoded), sizeof encoded);
  }
  WriteCacheBytes(bytes);
}

void LookupTest::WriteCacheBytes(const std::string& bytes) {
  std::ofstream(root() / kCachePath, std::ios::binary) << bytes;
}

std::string LookupTest::CacheBytes() { return ReadHostFile(kCachePath); }

std::vector<TowerCacheRecord> LookupTest::ReadCache() {
  const std::string bytes = CacheBytes();
  EXPECT_EQ(bytes.size() % kTowerRecordSize, 0u);
  std::vector<TowerCacheRecord> records;
  for (size_t at = 0; at + kTowerRecordSize <= bytes.size(); at += kTowerRecordSize)
    records.push_back(DecodeTowerRecord(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  return records;
}

std::string GoogleBody(int32_t status, int32_t latitude_micro, int32_t longitude_micro, int32_t accuracy) {
  std::string body(3, '\0');
  PutBigEndian(&body, status);
  PutBigEndian(&body, latitude_micro);
  PutBigEndian(&body, longitude_micro);
  PutBigEndian(&body, accuracy);
  body += std::string("\0\0", 2);
  return body;
}

std::string YandexBody(const std::string& latitude, const std::string& longitude, const std::string& nlatitude,
                       const std::string& nlongitude) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<location source=\"FoundByCellID\">\n"
         "<coordinates latitude=\"" + latitude + "\" longitude=\"" + longitude + "\" nlatitude=\"" + nlatitude +
         "\" nlongitude=\"" + nlongitude + "\"/>\n</location>\n";
}

int32_t GoogleRequestCellId(const std::string& request) {
  const std::string body = RequestBody(request);
  if (body.size() < 35) return -1;
  uint32_t bits = 0;
  for (int i = 31; i < 35; ++i) bits = (bits << 8) | static_cast<uint8_t>(body[i]);
  return static_cast<int32_t>(bits);
}

TowerCacheRecord CachedTower(int country, int network, int area, int cell_id, float latitude, float longitude,
                             int accuracy, WORD resolved, WORD last_used) {
  TowerCacheRecord record;
  record.country = static_cast<uint16_t>(country);
  record.network = static_cast<uint16_t>(network);
  record.area = area;
  record.cell_id = cell_id;
  record.latitude = latitude;
  record.longitude = longitude;
  record.accuracy = accuracy;
  record.resolved = resolved;
  record.last_used = last_used;
  return record;
}

}  // namespace kelvane::testing
