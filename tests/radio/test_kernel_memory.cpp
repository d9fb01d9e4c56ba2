// KernelIoControl's processor record, the per-thread kernel mode and
// permissions, and ReadProcessMemory over the simulated kernel memory with
// the radio's cell table.
#include "support/device_fixture.h"
#include "support/memory_profile.h"
#include "support/scenario_profile.h"

#include <windows.h>
#include <pkfuncs.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::AddOmapDevice;
using kelvane::testing::DeviceTest;
using kelvane::testing::MemoryDecoy;
using kelvane::testing::MemoryRegion;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr uint64_t kRegion = 0xC0000000u;
constexpr uint64_t kRegionSize = 0x100000;
constexpr uint64_t kTable = kRegion + 0x8001;  // entries need not be aligned
constexpr unsigned kStep = 72;

class KernelMemoryTest : public DeviceTest {
 protected:
  void TearDown() override {
    SetKMode(FALSE);
    DeviceTest::TearDown();
  }
};

// Reads in kernel mode; the last error when the read fails, 0 when it works.
DWORD Read(uint64_t address, void* buffer, DWORD size, DWORD* read = nullptr) {
  const BOOL previous = SetKMode(TRUE);
  DWORD got = kSentinel;
  SetLastError(kSentinel);
  const BOOL ok = ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                                    buffer, size, &got);
  const DWORD error = ok ? 0 : GetLastError();
  SetKMode(previous);
  if (read) *read = got;
  EXPECT_EQ(ok != FALSE, got == size) << "bytes read " << got;
  return error;
}

std::vector<uint8_t> Entry(uint64_t address) {
  std::vector<uint8_t> bytes(32);
  EXPECT_EQ(Read(address, bytes.data(), 32), 0u) << std::hex << address;
  return bytes;
}

TEST_F(KernelMemoryTest, TheProcessorRecordComesFromTheProfileAndItsFailures) {
  struct Case {
    const char* what;
    Json::Value processor;
    DWORD size;
    BOOL result;
    DWORD error;
    const wchar_t* name;
  };
  Json::Value omap;
  omap["name"] = "OMAP850";
  omap["vendor"] = "Texas Instruments";
  omap["core"] = "ARM926EJ-S";
  Json::Value failing;
  failing["queryFails"] = true;
  const Case cases[] = {
      {"omap", omap, sizeof(PROCESSOR_INFO), TRUE, kSentinel, L"OMAP850"},
      {"default", Json::Value(), sizeof(PROCESSOR_INFO), TRUE, kSentinel, L"PXA270"},
      {"failing", failing, sizeof(PROCESSOR_INFO), FALSE, ERROR_NOT_SUPPORTED, L""},
      {"short buffer", omap, sizeof(PROCESSOR_INFO) - 1, FALSE, ERROR_INSUFFICIENT_BUFFER, L""},
  };
  for (const Case& c : cases) {
    Json::Value profile;
    if (!c.processor.isNull()) profile["processor"] = c.processor;
    WriteProfile(profile);
    PROCESSOR_INFO info = {};
    DWORD returned = 0;
    SetLastError(kSentinel);
    EXPECT_EQ(KernelIoControl(IOCTL_PROCESSOR_INFORMATION, nullptr, 0, &info, c.size, &returned), c.result) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    EXPECT_EQ(std::wstring(info.szProcessorName), c.name) << c.what;
    if (c.error != ERROR_NOT_SUPPORTED) {
      EXPECT_EQ(returned, sizeof(PROCESSOR_INFO)) << c.what;
    }
  }
  PROCESSOR_INFO info = {};
  DWORD returned = 0;
  WriteProfile([&] {
    Json::Value p;
    p["processor"] = omap;
    return p;
  }());
  ASSERT_TRUE(KernelIoControl(IOCTL_PROCESSOR_INFORMATION, nullptr, 0, &info, sizeof info, &returned));
  EXPECT_EQ(std::wstring(info.szVendor), L"Texas Instruments");
  EXPECT_EQ(std::wstring(info.szProcessCore), L"ARM926EJ-S");
  EXPECT_EQ(0x01010064u, static_cast<DWORD>(IOCTL_PROCESSOR_INFORMATION));
  SetLastError(kSentinel);
  EXPECT_FALSE(KernelIoControl(0x01010068, nullptr, 0, &info, sizeof info, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST_F(KernelMemoryTest, KernelModeAndPermissionsReturnTheCallingThreadsPreviousValues) {
  EXPECT_FALSE(SetKMode(TRUE));
  EXPECT_TRUE(SetKMode(TRUE));
  EXPECT_EQ(SetProcPermissions(0xFFFFFFFF), 1u);
  EXPECT_EQ(SetProcPermissions(5), 0xFFFFFFFFu);
  BOOL other_mode = TRUE;
  DWORD other_permissions = 0;
  std::thread([&] {
    other_mode = SetKMode(TRUE);
    other_permissions = SetProcPermissions(7);
  }).join();
  EXPECT_FALSE(other_mode);  // another thread starts in user mode
  EXPECT_EQ(other_permissions, 1u);
  EXPECT_TRUE(SetKMode(FALSE));  // untouched by the other thread
  EXPECT_EQ(SetProcPermissions(1), 5u);
}

TEST_F(KernelMemoryTest, OnlyKernelModeReadsTheRegionsAndEveryOtherReadFailsWhole) {
  Json::Value profile;
  profile["memory"]["regions"].append(MemoryRegion(kRegion, kRegionSize));
  profile["memory"]["regions"].append(MemoryRegion(kRegion + kRegionSize, 0x1000));  // touching: one region
  profile["memory"]["regions"].append(MemoryRegion(0xFFFFF000u, 0x1000));
  WriteProfile(profile);
  std::vector<uint8_t> buffer(0x2000, 0xAA);
  DWORD read = kSentinel;
  EXPECT_EQ(Read(kRegion, buffer.data(), 0x2000), 0u);
  EXPECT_EQ(Read(kRegion + kRegionSize - 0x1000, buffer.data(), 0x2000), 0u);
  EXPECT_EQ(Read(0xFFFFF000u, buffer.data(), 0x1000), 0u);
  struct Case {
    const char* what;
    uint64_t address;
    DWORD size;
  } failing[] = {
      {"gap", 0x90000000u, 16},
      {"across the end", kRegion + kRegionSize + 0x800, 0x1000},
      {"before the start", kRegion - 1, 16},
      {"past 4 GB", 0xFFFFFFF0u, 0x20},
      {"lower half", 0x10000u, 16},
  };
  for (const Case& c : failing) {
    EXPECT_EQ(Read(c.address, buffer.data(), c.size, &read), static_cast<DWORD>(ERROR_NOACCESS)) << c.what;
    EXPECT_EQ(read, 0u) << c.what;
  }
  SetLastError(kSentinel);
  EXPECT_FALSE(ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(kRegion), buffer.data(), 16, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS)) << "user mode";
  SetKMode(TRUE);
  SetLastError(kSentinel);
  EXPECT_FALSE(ReadProcessMemory(GetCurrentThread(), reinterpret_cast<LPCVOID>(kRegion), buffer.data(), 16, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelMemoryTest, BytesAreTheSameHoweverTheyAreRead) {
  Json::Value profile;
  AddOmapDevice(&profile, kRegion, kRegionSize, kTable, kStep);
  profile["memory"]["decoys"].append(MemoryDecoy("shortRun", kRegion + 0x20000 - 100));
  WriteProfile(profile);
  const DWORD size = 0x30000;
  std::vector<uint8_t> whole(size), pieces(size);
  ASSERT_EQ(Read(kRegion, whole.data(), size), 0u);
  // Pieces of odd sizes cut through the filler's period and through entries.
  for (DWORD at = 0, n = 0; at < size; at += n) {
    n = std::min<DWORD>(size - at, 0x1235 + at % 7);
    ASSERT_EQ(Read(kRegion + at, pieces.data() + at, n), 0u);
  }
  EXPECT_EQ(whole, pieces);
  // Filler is not all one value.
  EXPECT_NE(std::memcmp(whole.data(), whole.data() + 1, 1000), 0);
}

TEST_F(KernelMemoryTest, TheTableHoldsTheCurrentStepsCellsThenEmptySlots) {
  Json::Value profile;
  AddOmapDevice(&profile, kRegion, kRegionSize, kTable, kStep);
  profile["timeScale"] = 100;
  Json::Value first = ScenarioStep(30000, ScenarioCell(250, 1, 7712, 40031, 20));
  first["neighbours"].append(ScenarioCell(250, 1, 0x1E21, 0x9C60, 14));
  first["neighbours"].append(ScenarioCell(262, 2, 345, 70000, 9));
  profile["scenario"]["steps"].append(first);
  profile["scenario"]["steps"].append(ScenarioStep(600000, ScenarioCell(250, 1, 7713, 51877, 22)));
  WriteProfile(profile);

  std::vector<uint8_t> e = Entry(kTable);
  EXPECT_EQ(e[0], 20);
  EXPECT_EQ(std::vector<uint8_t>(e.begin() + 16, e.begin() + 23), (std::vector<uint8_t>{2, 5, 0, 3, 0, 1, 0}));
  EXPECT_EQ(e[24] | e[25] << 8, 7712);
  EXPECT_EQ(e[30] | e[31] << 8, 40031);
  e = Entry(kTable + kStep);
  EXPECT_EQ(e[0], 14);
  EXPECT_EQ(e[24], 0x21);
  EXPECT_EQ(e[25], 0x1E);
  EXPECT_EQ(e[30], 0x60);
  EXPECT_EQ(e[31], 0x9C);
  e = Entry(kTable + 2 * kStep);  // another network's cell, its cell id cut to 16 bits
  EXPECT_EQ(std::vector<uint8_t>(e.begin() + 16, e.begin() + 22), (std::vector<uint8_t>{2, 6, 2, 3, 0, 2}));
  EXPECT_EQ(e[30] | e[31] << 8, 70000 & 0xFFFF);
  for (unsigned k = 3; k < 7; ++k) {
    e = Entry(kTable + k * kStep);
    EXPECT_EQ(e[19], 3) << k;
    EXPECT_EQ(e[30] | e[31] << 8, 0xFFFF) << k;
    EXPECT_EQ(e[17], 5) << k;  // the registered network's codes
  }

  Sleep(30100);  // device time: the second step
  e = Entry(kTable);
  EXPECT_EQ(e[30] | e[31] << 8, 51877);
  EXPECT_EQ(Entry(kTable + kStep)[30], 0xFF);
}

TEST_F(KernelMemoryTest, DecoysAreLaidOutAsTheirKindSays) {
  Json::Value profile;
  AddOmapDevice(&profile, kRegion, kRegionSize, kTable, kStep);
  const char* kinds[] = {"shortRun", "crowded", "sparse", "wrongMarker", "otherCountry"};
  for (int i = 0; i < 5; ++i) profile["memory"]["decoys"].append(MemoryDecoy(kinds[i], kRegion + 0x10000 * (i + 2)));
  WriteProfile(profile);
  const auto decoy = [](int i, unsigned offset) { return Entry(kRegion + 0x10000 * (i + 2) + offset); };
  EXPECT_EQ(decoy(0, 5 * kStep)[19], 3);
  EXPECT_EQ(decoy(0, 6 * kStep + 4)[19], 3);   // the seventh a little further
  EXPECT_EQ(decoy(1, 6 * 32)[19], 3);
  EXPECT_EQ(decoy(2, 6 * 500)[19], 3);
  EXPECT_EQ(decoy(3, 6 * kStep)[19], 4);
  EXPECT_EQ(decoy(4, 6 * kStep)[18], 1);  // country 251
  EXPECT_EQ(decoy(4, 6 * kStep)[19], 3);
}

}  // namespace
