// The virtual port as programs use it: the program opens COMn: and writes, a
// navigation program opens the same name and reads, each through the file
// API and the communication functions.
#include "devmgr/port_fixture.h"

#include <chrono>
#include <future>
#include <string>
#include <utility>

namespace {

using kelvane::testing::PortTest;
using std::chrono::milliseconds;

// Long enough for a blocked call to have blocked.
const milliseconds kSettle(50);

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

class PortIoTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    ASSERT_NE(Activate(5), INVALID_HANDLE_VALUE) << GetLastError();
    writer = OpenPort(L"COM5:", GENERIC_WRITE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
  }
  void TearDown() override {
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    PortTest::TearDown();
  }
  void OpenReader() {
    reader = OpenPort(L"com5:");  // names compare without regard to case
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
  }
  HANDLE writer = INVALID_HANDLE_VALUE, reader = INVALID_HANDLE_VALUE;
};

TEST_F(PortIoTest, WritesBeforeTheReaderOpensAreDropped) {
  EXPECT_EQ(Write(writer, Pattern(100)), 100);
  OpenReader();
  EXPECT_EQ(Read(reader, 200), "");
}

TEST_F(PortIoTest, TheReaderGetsWhatIsThereAndNoQueueIsReported) {
  OpenReader();
  ASSERT_EQ(Write(writer, "abc"), 3);
  EXPECT_EQ(Read(reader, 10), "abc");
  ASSERT_EQ(Write(writer, "de"), 2);
  DWORD errors = 0xdead;
  COMSTAT stat;
  stat.cbInQue = 0xdead;
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(ClearCommError(reader, &errors, &stat));
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(stat.cbInQue, 0u);
  EXPECT_EQ(Read(reader, 10), "de");
}

TEST_F(PortIoTest, DefaultTimeoutsReturnAtOnceAndZeroTimeoutsWait) {
  OpenReader();
  EXPECT_EQ(Read(reader, 10), "");
  ASSERT_TRUE(SetTimeouts(reader, 0, 0, 0));
  auto read = std::async(std::launch::async, [&] { return Read(reader, 10); });
  ASSERT_EQ(read.wait_for(kSettle), std::future_status::timeout);
  ASSERT_EQ(Write(writer, "$GP"), 3);
  EXPECT_EQ(read.get(), "$GP");
}

TEST_F(PortIoTest, AWriterBlocksAtTheReadersCapacityUntilItReadsOrCloses) {
  OpenReader();
  const std::string burst = Pattern(2000);
  auto write = std::async(std::launch::async, [&] { return Write(writer, burst); });
  ASSERT_EQ(write.wait_for(kSettle), std::future_status::timeout);
  EXPECT_EQ(Read(reader, 4096), burst.substr(0, 1024));
  EXPECT_EQ(write.get(), 2000);  // the other 976 fitted once the reader made room
  EXPECT_EQ(Read(reader, 4096), burst.substr(1024));

  auto second = std::async(std::launch::async, [&] { return Write(writer, burst); });
  ASSERT_EQ(second.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(CloseHandle(reader));
  reader = INVALID_HANDLE_VALUE;
  EXPECT_EQ(second.get(), 2000);
}

TEST_F(PortIoTest, AThirdOpenFailsWithNoSystemResources) {
  OpenReader();
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenPort(L"COM5:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES));
}

TEST_F(PortIoTest, SetCommMaskFromAnotherThreadEndsAPendingWait) {
  OpenReader();
  ASSERT_TRUE(SetCommMask(reader, EV_RXCHAR));
  auto wait = std::async(std::launch::async, [&] {
    DWORD event = 0;
    SetLastError(0xdeadbeef);
    const BOOL ok = WaitCommEvent(reader, &event, nullptr);
    return std::make_pair(ok, GetLastError());
  });
  ASSERT_EQ(wait.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(SetCommMask(reader, EV_RXCHAR));
  EXPECT_EQ(wait.get(), std::make_pair(BOOL{FALSE}, DWORD{ERROR_SUCCESS}));
}

TEST_F(PortIoTest, WaitCommEventReturnsAtOnceWhenBytesWait) {
  OpenReader();
  ASSERT_TRUE(SetCommMask(reader, EV_RXCHAR));
  ASSERT_EQ(Write(writer, "x"), 1);
  DWORD event = 0;
  ASSERT_TRUE(WaitCommEvent(reader, &event, nullptr));
  EXPECT_EQ(event, static_cast<DWORD>(EV_RXCHAR));
  DWORD mask = 0;
  ASSERT_TRUE(GetCommMask(reader, &mask));
  EXPECT_EQ(mask, static_cast<DWORD>(EV_RXCHAR));
}

TEST_F(PortIoTest, SetupCommOnAPairedHandleGrowsItsReceiveBuffer) {
  OpenReader();
  ASSERT_TRUE(SetupComm(reader, 4096, 4096));
  // The reader now holds its 4096 plus the writer's output queue of 512.
  ASSERT_TRUE(SetTimeouts(writer, MAXDWORD, MAXDWORD, 0, 0, 50));
  EXPECT_EQ(Write(writer, Pattern(6000)), 4096 + 512);
  EXPECT_EQ(Read(reader, 8192).size(), 4608u);
}

TEST_F(PortIoTest, CommunicationFunctionsReachTheDriversSettings) {
  OpenReader();
  DCB dcb;
  ASSERT_TRUE(GetCommState(reader, &dcb));
  EXPECT_EQ(dcb.BaudRate, 115200u);
  dcb.BaudRate = 4800;
  ASSERT_TRUE(SetCommState(reader, &dcb));
  DCB back;
  ASSERT_TRUE(GetCommState(reader, &back));
  EXPECT_EQ(back.BaudRate, 4800u);
  ASSERT_TRUE(GetCommState(writer, &back));
  EXPECT_EQ(back.BaudRate, 115200u);  // settings are per handle

  COMMTIMEOUTS t;
  ASSERT_TRUE(GetCommTimeouts(reader, &t));
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  COMMPROP prop;
  ASSERT_TRUE(GetCommProperties(reader, &prop));
  EXPECT_EQ(prop.dwProvSubType, static_cast<DWORD>(PST_RS232));
  DWORD modem = 0xdead;
  ASSERT_TRUE(GetCommModemStatus(reader, &modem));
  EXPECT_EQ(modem, 0u);
  EXPECT_TRUE(PurgeComm(reader, PURGE_RXCLEAR | PURGE_TXCLEAR));
  for (DWORD function : {SETXOFF, SETXON, SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK, SETIR, CLRIR})
    EXPECT_TRUE(EscapeCommFunction(reader, function)) << function;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(EscapeCommFunction(reader, 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetCommState(reader, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PortIoTest, DeactivationEndsBlockedCallsAndTheName) {
  OpenReader();
  ASSERT_TRUE(SetTimeouts(reader, 0, 0, 0));
  auto read = std::async(std::launch::async, [&] {
    DWORD n = 0;
    char in[8];
    SetLastError(0xdeadbeef);
    const BOOL ok = ReadFile(reader, in, sizeof(in), &n, nullptr);
    return std::make_pair(ok, GetLastError());
  });
  EXPECT_EQ(read.wait_for(kSettle), std::future_status::timeout);
  TearDownActivations();
  EXPECT_EQ(read.get(), std::make_pair(BOOL{FALSE}, DWORD{ERROR_INVALID_HANDLE}));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(Write(writer, "late"), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenPort(L"COM5:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // The handles still close, and the number can be activated again.
  EXPECT_TRUE(CloseHandle(reader));
  reader = INVALID_HANDLE_VALUE;
  EXPECT_NE(Activate(5), INVALID_HANDLE_VALUE);
}

}  // namespace
