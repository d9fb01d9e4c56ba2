// MoveFileW and DeleteAndRenameFile, with the platform's failures.
#include "support/device_fixture.h"

#include <windows.h>

#include <fstream>

namespace {

using kelvane::testing::DeviceTest;

class FileMoveTest : public DeviceTest {
 protected:
  void Write(const char* relative, const char* text) { std::ofstream(root() / relative) << text; }
};

TEST_F(FileMoveTest, DeleteAndRenameReplacesTheDestinationInOneStep) {
  Write("windows/a.txt", "old");
  Write("windows/a.txt.new", "new");
  ASSERT_TRUE(DeleteAndRenameFile(L"\\windows\\a.txt", L"\\windows\\a.txt.new"));
  EXPECT_EQ(ReadHostFile("windows/a.txt"), "new");
  EXPECT_FALSE(std::filesystem::exists(root() / "windows/a.txt.new"));
}

TEST_F(FileMoveTest, FailuresCarryThePlatformErrors) {
  Write("windows/a.txt", "a");
  Write("windows/b.txt", "b");
  struct Case {
    BOOL (*call)(LPCWSTR, LPCWSTR);
    const WCHAR* first;
    const WCHAR* second;
    DWORD error;
  } cases[] = {
      {DeleteAndRenameFile, L"\\windows\\missing.txt", L"\\windows\\b.txt", ERROR_FILE_NOT_FOUND},
      {DeleteAndRenameFile, L"\\windows\\a.txt", L"\\windows\\missing.txt", ERROR_FILE_NOT_FOUND},
      {MoveFileW, L"\\windows\\a.txt", L"\\windows\\b.txt", ERROR_ALREADY_EXISTS},
      {MoveFileW, L"\\windows\\missing.txt", L"\\windows\\c.txt", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(c.call(c.first, c.second));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(ReadHostFile("windows/a.txt"), "a");
  EXPECT_EQ(ReadHostFile("windows/b.txt"), "b");
  ASSERT_TRUE(MoveFileW(L"\\windows\\a.txt", L"\\windows\\c.txt"));
  EXPECT_EQ(ReadHostFile("windows/c.txt"), "a");
}

TEST_F(FileMoveTest, AnOpenFileIsNotReplaced) {
  Write("windows/a.txt", "a");
  Write("windows/b.txt", "b");
  HANDLE open = CreateFileW(L"\\windows\\a.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteAndRenameFile(L"\\windows\\a.txt", L"\\windows\\b.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(open);
}

}  // namespace
