// System time, file time and the local heap.
#include "support/device_fixture.h"

#include <windows.h>

#include "internal/local_heap.h"

#include <cstring>

namespace {

using kelvane::testing::DeviceTest;
class TimeTest : public DeviceTest {};

uint64_t Ticks(const FILETIME& ft) { return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime; }

TEST_F(TimeTest, FileTimeRoundTripsAndKnownInstants) {
  const SYSTEMTIME cases[] = {
      {1601, 1, 1, 1, 0, 0, 0, 0},        {2009, 12, 4, 31, 23, 59, 59, 999}, {2000, 2, 2, 29, 12, 0, 0, 0},
      {2026, 12, 2, 8, 18, 2, 57, 123}, {30827, 12, 5, 31, 23, 59, 59, 999},
  };
  for (const SYSTEMTIME& st : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft)) << st.wYear;
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(std::memcmp(&st, &back, sizeof st), 0) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
  }
  FILETIME ft;
  const SYSTEMTIME unix_epoch = {1970, 1, 4, 1, 0, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToFileTime(&unix_epoch, &ft));
  EXPECT_EQ(Ticks(ft), 116444736000000000ull);
}

TEST_F(TimeTest, OutOfRangeValuesFailWithInvalidParameter) {
  const SYSTEMTIME bad[] = {{1600, 12, 0, 31, 0, 0, 0, 0}, {2009, 13, 0, 1, 0, 0, 0, 0}, {2009, 2, 0, 29, 0, 0, 0, 0},
                            {2009, 1, 0, 1, 24, 0, 0, 0},  {2009, 1, 0, 0, 0, 0, 0, 0}};
  for (const SYSTEMTIME& st : bad) {
    FILETIME ft;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  // A negative difference of two file times is not a date.
  FILETIME negative = {0, 0x80000000u};
  SYSTEMTIME st;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FileTimeToSystemTime(&negative, &st));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(TimeTest, SetSystemTimeMovesTheDeviceCalendarForEveryReader) {
  const SYSTEMTIME target = {2009, 12, 4, 31, 23, 59, 58, 0};
  ASSERT_TRUE(SetSystemTime(&target));
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_EQ(now.wYear, 2009);
  EXPECT_EQ(now.wMonth, 12);
  EXPECT_EQ(now.wDay, 31);
  EXPECT_EQ(now.wDayOfWeek, 4);  // a Thursday
  // The offset is kept in the device root, so other processes see it too.
  EXPECT_NE(ReadHostFile("clock").find("calendarOffset="), std::string::npos);
}

TEST(LocalHeapTest, ReAllocKeepsContentsZeroFillsGrowthAndHonoursMovable) {
  auto* block = static_cast<char*>(LocalAlloc(LPTR, 4));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(LocalSize(block), 4u);
  std::memcpy(block, "abcd", 4);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LocalReAlloc(block, 4096, LMEM_ZEROINIT), nullptr);  // fixed blocks do not grow
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  auto* grown = static_cast<char*>(LocalReAlloc(block, 4096, LMEM_MOVEABLE | LMEM_ZEROINIT));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(std::memcmp(grown, "abcd", 4), 0);
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(grown[i], 0) << i;
  EXPECT_EQ(LocalFree(grown), nullptr);
}

TEST(LocalHeapTest, ALimitedHeapRefusesWithNotEnoughMemory) {
  const size_t base = kelvane::LocalHeapInUse();
  kelvane::SetLocalHeapLimit(base + 100);
  void* small = LocalAlloc(LPTR, 60);
  EXPECT_NE(small, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LocalAlloc(LPTR, 60), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  LocalFree(small);
  kelvane::SetLocalHeapLimit(0);
}

}  // namespace
