// The GPS Intermediate Driver reading a file driver's file and offering its
// lines on GPD0: to programs on the device.
#include "gpsid/gpsid_fixture.h"

#include "gpsid/gps_intermediate_driver.h"

#include <sstream>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::GpsidTest;
using kelvane::testing::kBurst;
using kelvane::testing::OfferedBurst;

const wchar_t kFile[] = L"\\windows\\gpsfile.dat";
const wchar_t kDriversKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(GpsidTest, AReaderReceivesTheFilesSixLinesAsAReceiverSendsThem) {
  RegisterFileDriver();
  WriteDeviceFile(kFile, kBurst);
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  // The reader may open in the middle of a reading: it gets whole lines, and
  // the next reading brings the burst whole and in order.
  const std::string got = ReadFor(port, 5000, OfferedBurst());
  EXPECT_NE(got.find(OfferedBurst()), std::string::npos) << got;
  for (const std::string& line : Lines(got)) EXPECT_NE(OfferedBurst().find(line + "\n"), std::string::npos) << line;
  CloseHandle(port);
}

TEST_F(GpsidTest, EveryReaderReceivesEveryLineAndWritesAreTakenAndDropped) {
  RegisterFileDriver();
  WriteDeviceFile(kFile, kBurst);
  HANDLE first = OpenGps(), second = OpenGps();
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(second, "$PSRF100,1*00\r\n", 15, &written, nullptr));
  EXPECT_EQ(written, 15u);
  EXPECT_NE(ReadFor(first, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  EXPECT_NE(ReadFor(second, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  CloseHandle(first);
  CloseHandle(second);
}

TEST_F(GpsidTest, LinesAreOfferedUncheckedWithBlankLinesLeftOut) {
  RegisterFileDriver();
  WriteDeviceFile(kFile, "$GPTXT,no checksum\r\n\n\r\n$GPZDA,120000.00,31,12,2009,00,00\nlast line unended");
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const std::string offered = "$GPTXT,no checksum\r\n$GPZDA,120000.00,31,12,2009,00,00\r\nlast line unended\r\n";
  const std::string got = ReadFor(port, 5000, offered + offered);
  EXPECT_NE(got.find(offered + offered), std::string::npos) << got;
  CloseHandle(port);
}

TEST_F(GpsidTest, ARewrittenFileReplacesTheOldLinesAtTheNextReading) {
  RegisterFileDriver();
  WriteDeviceFile(kFile, kBurst);
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_NE(ReadFor(port, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  const std::string next = "$GPRMC,120001.00,A,5530.0100,N,03730.0100,E,0.0,0.0,311209,,*3F\r\n";
  WriteDeviceFile(kFile, next);
  const std::string got = ReadFor(port, 5000, next);
  ASSERT_NE(got.find(next), std::string::npos) << got;
  // Once the new file was read, the old lines never come again.
  EXPECT_EQ(ReadFor(port, 3000).find("$GPGGA"), std::string::npos);
  CloseHandle(port);
}

TEST_F(GpsidTest, AnEmptyOrMissingFileOffersNothing) {
  RegisterFileDriver();
  WriteDeviceFile(kFile, kBurst);
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_NE(ReadFor(port, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  WriteDeviceFile(kFile, "");
  ExpectNothingOffered(port);
  ASSERT_TRUE(DeleteFileW(kFile));
  ExpectNothingOffered(port);
  CloseHandle(port);
}

TEST_F(GpsidTest, OnlyACurrentFileDriverIsRead) {
  RegisterDriver(L"Kelvane", L"File", kFile);
  RegisterDriver(L"GPSOne", L"COM", kFile);
  SetCurrentDriver(L"GPSOne");
  WriteDeviceFile(kFile, kBurst);
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ExpectNothingOffered(port);

  SetCurrentDriver(L"Kelvane");
  EXPECT_NE(ReadFor(port, 5000, OfferedBurst()).find(OfferedBurst()), std::string::npos);
  // Changed back while the service runs.
  SetCurrentDriver(L"GPSOne");
  ExpectNothingOffered(port);
  // A current driver without a key of its own.
  SetCurrentDriver(L"Missing");
  ExpectNothingOffered(port);
  CloseHandle(port);
}

TEST_F(GpsidTest, AnOversizeFileIsReadUpToTheBoundWithoutTheCutLine) {
  RegisterDriver(L"Kelvane", L"File", L"\\windows\\big.dat");
  SetCurrentDriver(L"Kelvane");
  // 700 lines of 100 bytes: the bound of 65536 bytes cuts line 655.
  std::string text;
  for (int i = 0; i < 700; ++i) {
    char head[32];
    std::snprintf(head, sizeof(head), "$GPTXT,%04d,", i);
    text += head + std::string(87, '0') + "\n";
  }
  ASSERT_EQ(text.size(), 70000u);
  WriteDeviceFile(L"\\windows\\big.dat", text);
  ::testing::internal::CaptureStderr();
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const std::string got = ReadFor(port, 5000, "$GPTXT,0654,");
  EXPECT_NE(got.find("$GPTXT,0000,"), std::string::npos);
  EXPECT_NE(got.find("$GPTXT,0654,"), std::string::npos);
  // A whole second reading brings no more of the file than the first (the
  // wait for it leaves room for a loaded host).
  std::string more = ReadFor(port, 20000, "$GPTXT,0654,");
  more += ReadFor(port, 1000);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ((got + more).find("$GPTXT,0655,"), std::string::npos);
  EXPECT_NE(more.find("$GPTXT,0654,"), std::string::npos);
  EXPECT_NE(errors.find("big.dat is larger than 65536 bytes"), std::string::npos) << errors;
  // Said once, not at every reading.
  EXPECT_EQ(errors.find("larger", errors.find("larger") + 1), std::string::npos) << errors;
  CloseHandle(port);
}

// The program reads "CurrentDriver" before anything else runs: the key must be there.
TEST_F(GpsidTest, TheDriversKeyIsThereFromTheStartWithNoCurrentDriver) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"CurrentDriver", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(GpsidTest, ADeviceWithoutTheProfileKeyHasNeitherPortNorKey) {
  Json::Value profile;
  profile["gpsIntermediateDriver"] = Json::Value();  // left out
  SetUpDevice(profile);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileW(L"GPD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(GpsidTest, APortOfAnotherNameFromTheProfile) {
  Json::Value profile;
  profile["gpsIntermediateDriver"]["port"] = "GPS4:";
  SetUpDevice(profile);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileW(L"GPD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE port = CreateFileW(L"gps4:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(port);
}

TEST_F(GpsidTest, AFilePathThatClimbsOutOfItsFolderIsNotRead) {
  RegisterDriver(L"Kelvane", L"File", L"\\windows\\..\\windows\\gpsfile.dat");
  SetCurrentDriver(L"Kelvane");
  WriteDeviceFile(kFile, kBurst);
  ::testing::internal::CaptureStderr();
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ExpectNothingOffered(port);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("is not a valid device path"), std::string::npos) << errors;
  CloseHandle(port);
}

TEST_F(GpsidTest, AfterTheServiceStopsThePortIsGoneAndOpenHandlesFail) {
  HANDLE port = OpenGps();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS forever = {0, 0, 0, 0, 0};
  ASSERT_TRUE(SetCommTimeouts(port, &forever));
  // No driver is current: the read waits until the service stops.
  BOOL read_result = TRUE;
  DWORD read_error = 0;
  std::thread reader([&] {
    char buffer[64];
    DWORD n = 0;
    SetLastError(0xdeadbeef);
    read_result = ReadFile(port, buffer, sizeof(buffer), &n, nullptr);
    read_error = GetLastError();
  });
  Sleep(500);
  kelvane::StopGpsIntermediateDriver();
  reader.join();
  EXPECT_FALSE(read_result);
  EXPECT_EQ(read_error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenGps(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  CloseHandle(port);
}

}  // namespace
