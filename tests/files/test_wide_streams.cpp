// The runtime's wide-path streams: modes, text translation and binary round
// trips through device paths.
#include "support/device_fixture.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using kelvane::testing::DeviceTest;

class WideStreamTest : public DeviceTest {
 protected:
  void WriteHostFile(const char* relative, const std::string& bytes) {
    std::ofstream(root() / relative, std::ios::binary) << bytes;
  }
  // Everything a stream reads with fread until the end.
  static std::string ReadAll(FILE* f) {
    std::string out;
    char chunk[300];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
    return out;
  }
};

TEST_F(WideStreamTest, BinaryStreamsKeepEveryByte) {
  const std::string bytes("\x01\r\n\n\r\0\x1a\xff end", 12);
  FILE* f = _wfopen(L"\\Program Files\\Kelvane\\cells.dat", L"wb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  EXPECT_EQ(fclose(f), 0);
  EXPECT_EQ(ReadHostFile("Program Files/Kelvane/cells.dat"), bytes);

  f = _wfopen(L"\\program files\\kelvane\\CELLS.DAT", L"rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ReadAll(f), bytes);
  fclose(f);
}

TEST_F(WideStreamTest, TextStreamsReadDeviceLineEndsAsNewlines) {
  FILE* f = _wfopen(L"\\windows\\gpsfile.dat", L"w");
  ASSERT_NE(f, nullptr);
  fputs("$GPGGA,1\n", f);
  fclose(f);
  EXPECT_EQ(ReadHostFile("windows/gpsfile.dat"), "$GPGGA,1\n");

  // A file with the device's line ends reads line by line all the same.
  WriteHostFile("windows/gpsfile.dat", "$GPGGA,1\r\n$GPRMC,2\r\n");
  f = _wfopen(L"\\windows\\gpsfile.dat", L"rt");
  ASSERT_NE(f, nullptr);
  char line[64];
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "$GPGGA,1\n");
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "$GPRMC,2\n");
  EXPECT_EQ(fgets(line, sizeof line, f), nullptr);
  fclose(f);
}

TEST_F(WideStreamTest, WideTextRoundTripsThroughATextStream) {
  FILE* f = _wfopen(L"\\Program Files\\Kelvane\\config.ini", L"wt");
  ASSERT_NE(f, nullptr);
  EXPECT_GE(fwprintf(f, L"%ls=%d\n", L"TowerTimeOut", 7000), 0);
  EXPECT_GE(fputws(L"ProxyIP=10.0.0.1\n", f), 0);
  fclose(f);
  EXPECT_EQ(ReadHostFile("Program Files/Kelvane/config.ini"), "TowerTimeOut=7000\nProxyIP=10.0.0.1\n");

  f = _wfopen(L"\\Program Files\\Kelvane\\config.ini", L"r");
  ASSERT_NE(f, nullptr);
  wchar_t line[64];
  ASSERT_NE(fgetws(line, 64, f), nullptr);
  EXPECT_STREQ(line, L"TowerTimeOut=7000\n");
  ASSERT_NE(fgetws(line, 64, f), nullptr);
  EXPECT_STREQ(line, L"ProxyIP=10.0.0.1\n");
  EXPECT_EQ(fgetws(line, 64, f), nullptr);
  fclose(f);
}

TEST_F(WideStreamTest, TextInputTurnsEveryPairIntoANewlineAndKeepsLoneCarriageReturns) {
  // Lines of every length from 0 to 299 put "\r\n" at every offset of a
  // stream buffer, whatever its size; lone CR and LF pass unchanged.
  std::string raw, expected;
  for (int length = 0; length < 300; ++length) {
    const std::string body(static_cast<size_t>(length), static_cast<char>('a' + length % 26));
    raw += body + (length % 7 == 0 ? "\r" : length % 11 == 0 ? "\n" : "\r\n");
    expected += body + (length % 7 == 0 ? "\r" : "\n");
  }
  WriteHostFile("windows/lines.txt", raw);
  FILE* f = _wfopen(L"\\windows\\lines.txt", L"r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ReadAll(f), expected);
  fclose(f);
}

TEST_F(WideStreamTest, AppendAndUpdateModes) {
  FILE* f = _wfopen(L"\\windows\\wifi.dat", L"ab");  // creates the file
  ASSERT_NE(f, nullptr);
  fwrite("1234", 1, 4, f);
  fclose(f);
  f = _wfopen(L"\\windows\\wifi.dat", L"a+b");
  ASSERT_NE(f, nullptr);
  // Reading moves the position; the write still lands at the end.
  char two[2];
  ASSERT_EQ(fread(two, 1, 2, f), 2u);
  fseek(f, 0, SEEK_CUR);
  fwrite("56", 1, 2, f);
  fclose(f);
  EXPECT_EQ(ReadHostFile("windows/wifi.dat"), "123456");

  f = _wfopen(L"\\windows\\wifi.dat", L"r+b");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fseek(f, 2, SEEK_SET), 0);
  fwrite("ZZ", 1, 2, f);
  EXPECT_EQ(ftell(f), 4);
  ASSERT_EQ(fseek(f, -1, SEEK_END), 0);
  EXPECT_EQ(fgetc(f), '6');
  fclose(f);
  EXPECT_EQ(ReadHostFile("windows/wifi.dat"), "12ZZ56");

  // "w+" empties the file and reads back what it wrote.
  f = _wfopen(L"\\windows\\wifi.dat", L"w+b");
  ASSERT_NE(f, nullptr);
  fwrite("ab", 1, 2, f);
  rewind(f);
  EXPECT_EQ(ReadAll(f), "ab");
  fclose(f);
}

TEST_F(WideStreamTest, FailedOpensSetErrnoAndTheLastError) {
  struct Case {
    const wchar_t* path;
    const wchar_t* mode;
    int error;
  };
  const Case cases[] = {
      {L"\\windows\\missing.txt", L"r", ENOENT},  {L"\\nowhere\\new.txt", L"w", ENOENT},
      {L"\\windows\\a.txt", L"x", EINVAL},        {L"\\windows\\a.txt", L"rbt", EINVAL},
      {L"\\windows\\a.txt", L"r++", EINVAL},      {L"\\windows\\a.txt", L"", EINVAL},
      {L"\\windows\\..\\a.txt", L"w", EINVAL},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(_wfopen(c.path, c.mode), nullptr) << c.path << " " << c.mode;
    EXPECT_EQ(errno, c.error) << c.path << " " << c.mode;
  }
  SetLastError(0xdeadbeef);
  EXPECT_EQ(_wfopen(L"\\windows\\missing.txt", L"rb"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  errno = 0;
  EXPECT_EQ(_wfopen(nullptr, L"r"), nullptr);
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(WideStreamTest, AnOpenThatSharesNothingRefusesStreams) {
  WriteHostFile("windows/log.txt", "x");
  HANDLE exclusive = CreateFileW(L"\\windows\\log.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  for (const wchar_t* mode : {L"r", L"rb", L"w", L"a+"}) {
    errno = 0;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(_wfopen(L"\\windows\\log.txt", mode), nullptr) << mode;
    EXPECT_EQ(errno, EACCES) << mode;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << mode;
  }
  EXPECT_EQ(ReadHostFile("windows/log.txt"), "x");
  CloseHandle(exclusive);
  FILE* f = _wfopen(L"\\windows\\log.txt", L"r");
  ASSERT_NE(f, nullptr);
  fclose(f);
}

}  // namespace
