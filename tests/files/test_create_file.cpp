// CreateFileW, DeleteFileW and share modes, checked against the platform's
// documented results.
#include "support/device_fixture.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using kelvane::testing::DeviceTest;

class CreateFileTest : public DeviceTest {
 protected:
  void WriteHostFile(const std::filesystem::path& relative, const std::string& bytes) {
    std::ofstream(root() / relative, std::ios::binary) << bytes;
  }
  bool HostFileExists(const std::filesystem::path& relative) { return std::filesystem::exists(root() / relative); }
};

const wchar_t* DispositionName(DWORD disposition) {
  switch (disposition) {
    case CREATE_NEW: return L"CREATE_NEW";
    case CREATE_ALWAYS: return L"CREATE_ALWAYS";
    case OPEN_EXISTING: return L"OPEN_EXISTING";
    case OPEN_ALWAYS: return L"OPEN_ALWAYS";
    default: return L"TRUNCATE_EXISTING";
  }
}

TEST_F(CreateFileTest, DispositionsOverMissingAndExistingFiles) {
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;      // last error after the call, success included
    int size_after;   // -1: no file
  };
  const Case cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, 0},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, 5},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 0},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, -1},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, 5},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 5},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, -1},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(root() / "windows" / "case.dat");
    if (c.exists) WriteHostFile("windows/case.dat", "12345");
    SetLastError(0xdeadbeef);
    HANDLE file = CreateFileW(L"\\windows\\case.dat", GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    SCOPED_TRACE(testing::Message() << DispositionName(c.disposition) << (c.exists ? L" existing" : L" missing"));
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(error, c.error);
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    if (c.size_after < 0) {
      EXPECT_FALSE(HostFileExists("windows/case.dat"));
    } else {
      EXPECT_EQ(ReadHostFile("windows/case.dat").size(), static_cast<size_t>(c.size_after));
    }
  }
}

TEST_F(CreateFileTest, BadNamesAndPathsFailWithTheirErrors) {
  std::filesystem::create_directories(root() / "folder");
  WriteHostFile("plain.txt", "x");
  struct Case {
    const wchar_t* name;
    DWORD disposition;
    DWORD error;
  };
  const Case cases[] = {
      {L"\\nowhere\\file.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {L"\\nowhere\\file.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {L"\\plain.txt\\file.txt", OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
      {L"\\windows\\missing.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {L"", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {L"\\folder", OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {L"\\windows\\..\\..\\escape.txt", CREATE_ALWAYS, ERROR_INVALID_NAME},
      {L"\\windows/../../escape.txt", CREATE_ALWAYS, ERROR_INVALID_NAME},
      {L"\\windows\\*.txt", OPEN_EXISTING, ERROR_INVALID_NAME},
      {L"\\windows\\a.txt", 0, ERROR_INVALID_PARAMETER},
      {L"\\windows\\a.txt", 6, ERROR_INVALID_PARAMETER},
      // Device names go to the device manager; no driver serves this one.
      {L"COM5:", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    HANDLE file = CreateFileW(c.name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition, 0, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(root().parent_path() / "escape.txt"));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(CreateFileTest, DevicePathsMapUnderTheRootWithoutRegardToCase) {
  HANDLE file = CreateFileW(L"\\windows\\gpsfile.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "$GPGGA", 6, &written, nullptr));
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile("windows/gpsfile.dat"), "$GPGGA");

  file = CreateFileW(L"\\WINDOWS\\GpsFile.DAT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 6u);
  CloseHandle(file);
}

TEST_F(CreateFileTest, ShareModesBetweenOpensOfTheProcess) {
  WriteHostFile("windows/shared.dat", "data");
  struct Case {
    DWORD first_access, first_share, second_access, second_share;
    bool second_opens;
  };
  const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
  const Case cases[] = {
      {R, SR, R, SR, true},
      {R, SR, W, SR | SW, false},      // the first does not share writing
      {W, 0, R, SR | SW, false},       // the first shares nothing
      {R, SR | SW, W, SR, true},
      {R, SR | SW, R, SW, false},      // the second refuses the first's reading
      {R | W, SR | SW, R | W, SR | SW, true},
      {0, 0, R | W, 0, true},          // an open for neither takes part in no conflict
      {R | W, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "first " << std::hex << c.first_access << "/" << c.first_share << ", second "
                                    << c.second_access << "/" << c.second_share);
    HANDLE first = CreateFileW(L"\\windows\\shared.dat", c.first_access, c.first_share, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    HANDLE second = CreateFileW(L"\\windows\\shared.dat", c.second_access, c.second_share, nullptr, OPEN_EXISTING,
                                0, nullptr);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second_opens);
    EXPECT_EQ(GetLastError(), c.second_opens ? static_cast<DWORD>(ERROR_SUCCESS)
                                             : static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    CloseHandle(first);
    // With the first closed the second always opens.
    second = CreateFileW(L"\\windows\\shared.dat", c.second_access, c.second_share, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
  }
}

TEST_F(CreateFileTest, RefusedCreateAlwaysLeavesTheOpenFileIntact) {
  WriteHostFile("windows/keep.dat", "precious");
  HANDLE holder = CreateFileW(L"\\windows\\keep.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileW(L"\\windows\\keep.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(ReadHostFile("windows/keep.dat"), "precious");
  CloseHandle(holder);
}

TEST_F(CreateFileTest, DeleteFileRefusesOpenFilesAndReportsMissingOnes) {
  WriteHostFile("windows/gpsfile.dat", "x");
  HANDLE file = CreateFileW(L"\\windows\\gpsfile.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteFileW(L"\\windows\\gpsfile.dat"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(file);
  EXPECT_TRUE(DeleteFileW(L"\\Windows\\GPSFILE.dat"));
  EXPECT_FALSE(HostFileExists("windows/gpsfile.dat"));

  struct Case {
    const wchar_t* name;
    DWORD error;
  };
  const Case cases[] = {{L"\\windows\\gpsfile.dat", ERROR_FILE_NOT_FOUND},
                        {L"\\nowhere\\gpsfile.dat", ERROR_PATH_NOT_FOUND},
                        {L"\\windows", ERROR_ACCESS_DENIED},
                        {L"\\windows\\..\\device.json", ERROR_INVALID_NAME}};
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(c.name)) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_TRUE(HostFileExists("device.json"));
}

}  // namespace
