// ReadFile, WriteFile, GetFileSize, SetFilePointer and FlushFileBuffers on
// files, and what the file calls answer on handles that are no files.
#include "support/device_fixture.h"

#include <windows.h>

#include <string>

namespace {

using kelvane::testing::DeviceTest;

class ReadWriteTest : public DeviceTest {
 protected:
  HANDLE Open(DWORD access, DWORD disposition = OPEN_ALWAYS) {
    return CreateFileW(L"\\windows\\data.bin", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, 0,
                       nullptr);
  }
};

TEST_F(ReadWriteTest, WrittenBytesReadBackAtTheSeekedPositions) {
  HANDLE file = Open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
  EXPECT_EQ(done, 10u);
  DWORD high = 0xdeadbeef;
  EXPECT_EQ(GetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);

  struct Case {
    LONG distance;
    DWORD method;
    DWORD position;
    const char* next_three;
  };
  const Case cases[] = {{2, FILE_BEGIN, 2, "234"},  {1, FILE_CURRENT, 6, "678"}, {-3, FILE_END, 7, "789"},
                        {-9, FILE_CURRENT, 1, "123"}, {0, FILE_BEGIN, 0, "012"}};
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(file, c.distance, nullptr, c.method), c.position) << c.distance << "/" << c.method;
    char buffer[4] = {};
    ASSERT_TRUE(ReadFile(file, buffer, 3, &done, nullptr));
    EXPECT_EQ(done, 3u);
    EXPECT_STREQ(buffer, c.next_three);
  }

  // At the end a read succeeds with nothing.
  SetFilePointer(file, 0, nullptr, FILE_END);
  char byte = 0;
  done = 77;
  EXPECT_TRUE(ReadFile(file, &byte, 1, &done, nullptr));
  EXPECT_EQ(done, 0u);
  // A write past the end extends the file.
  EXPECT_EQ(SetFilePointer(file, 12, nullptr, FILE_BEGIN), 12u);
  ASSERT_TRUE(WriteFile(file, "!", 1, &done, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 13u);
  EXPECT_TRUE(FlushFileBuffers(file));
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile("windows/data.bin"), std::string("0123456789\0\0!", 13));
}

TEST_F(ReadWriteTest, RefusedSeeksLeaveThePositionAndNameTheirError) {
  HANDLE file = Open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  DWORD done = 0;
  WriteFile(file, "abcd", 4, &done, nullptr);
  SetFilePointer(file, 2, nullptr, FILE_BEGIN);
  struct Case {
    LONG distance;
    DWORD method;
    DWORD error;
  };
  const Case cases[] = {{-3, FILE_CURRENT, ERROR_NEGATIVE_SEEK},
                        {-5, FILE_END, ERROR_NEGATIVE_SEEK},
                        {0, 3, ERROR_INVALID_PARAMETER}};
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(file, c.distance, nullptr, c.method), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), c.error) << c.distance << "/" << c.method;
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 2u);
  }
  CloseHandle(file);
}

TEST_F(ReadWriteTest, PositionsAndSizesBeyondThirtyTwoBitsUseTheHighPart) {
  HANDLE file = Open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  // A position whose low part equals the failure value is told apart by the last error.
  LONG high = 0;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetFilePointer(file, static_cast<LONG>(0xFFFFFFFEu), &high, FILE_BEGIN), 0xFFFFFFFEu);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(file, "x", 1, &done, nullptr));
  SetLastError(0xdeadbeef);
  DWORD size_high = 0xdeadbeef;
  EXPECT_EQ(GetFileSize(file, &size_high), INVALID_FILE_SIZE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(size_high, 0u);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetFilePointer(file, 0, &high, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(high, 0);

  high = 1;
  EXPECT_EQ(SetFilePointer(file, 4, &high, FILE_BEGIN), 4u);
  EXPECT_EQ(high, 1);
  ASSERT_TRUE(WriteFile(file, "y", 1, &done, nullptr));
  EXPECT_EQ(GetFileSize(file, &size_high), 5u);
  EXPECT_EQ(size_high, 1u);
  // Without a high part the position must fit in 32 bits.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(file);
}

TEST_F(ReadWriteTest, AccessDecidesWhatAHandleMayDo) {
  HANDLE reader = Open(GENERIC_READ, CREATE_ALWAYS);
  HANDLE writer = Open(GENERIC_WRITE);
  HANDLE query = Open(0);
  char buffer[4];
  DWORD done = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteFile(reader, "a", 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FlushFileBuffers(reader));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadFile(writer, buffer, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadFile(query, buffer, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // A handle for neither still answers the size.
  EXPECT_EQ(GetFileSize(query, nullptr), 0u);
  for (HANDLE h : {reader, writer, query}) CloseHandle(h);
}

TEST_F(ReadWriteTest, HandlesThatAreNoFilesFailAsThePlatformDoes) {
  HANDLE file = Open(GENERIC_READ | GENERIC_WRITE);
  HANDLE closed = Open(GENERIC_READ);
  ASSERT_TRUE(CloseHandle(closed));
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  char buffer[4];
  DWORD done = 0, returned = 0;

  // A plain file knows no I/O control.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeviceIoControl(file, 0x00120804, buffer, 4, buffer, 4, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));

  for (HANDLE bad : {closed, event, INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    SCOPED_TRACE(testing::Message() << "handle " << bad);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReadFile(bad, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteFile(bad, "a", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileSize(bad, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(bad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeviceIoControl(bad, 1, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadFile(file, nullptr, 4, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(event);
  CloseHandle(file);
}

}  // namespace
