// The serial I/O controls: defaults, buffer checks, stored settings, queue
// sizes, and the waits of WaitCommEvent.
#include <pkfuncs.h>

#include "driver/tavrel_fixture.h"

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <utility>

namespace {

using kelvane::testing::kFailed;
using kelvane::testing::TavrelTest;
using std::chrono::milliseconds;

const milliseconds kSettle(50);

class IoControlTest : public TavrelTest {
 protected:
  void SetUp() override {
    TavrelTest::SetUp();
    port = OpenPort();
    ASSERT_NE(port, 0u);
  }
  // Calls WaitCommEvent's I/O control; the pair is (result, mask or last error).
  std::pair<BOOL, DWORD> WaitOnMask(DWORD open) {
    DWORD mask = 0, returned = 0;
    SetLastError(0xdeadbeef);
    const BOOL ok = Ioctl(open, IOCTL_SERIAL_WAIT_ON_MASK, nullptr, 0, &mask, sizeof(mask), &returned);
    return {ok, ok ? mask : GetLastError()};
  }
  BOOL SetMask(DWORD open, DWORD mask) {
    return Ioctl(open, IOCTL_SERIAL_SET_WAIT_MASK, &mask, sizeof(mask), nullptr, 0, nullptr);
  }
  DWORD port = 0;
};

TEST_F(IoControlTest, NewHandlesAnswerTheDefaults) {
  DCB dcb;
  DWORD returned = 0;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_DCB, nullptr, 0, &dcb, sizeof(dcb), &returned));
  EXPECT_EQ(returned, 28u);
  EXPECT_EQ(dcb.DCBlength, 28u);
  EXPECT_EQ(dcb.BaudRate, 115200u);
  DWORD flags;
  std::memcpy(&flags, reinterpret_cast<BYTE*>(&dcb) + 8, sizeof(flags));
  EXPECT_EQ(flags, 0x81u);
  EXPECT_EQ(dcb.XonLim, 0);
  EXPECT_EQ(dcb.XoffLim, 0);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.XonChar, 0x11);
  EXPECT_EQ(dcb.XoffChar, 0x13);
  EXPECT_EQ(dcb.ErrorChar, 0x15);
  EXPECT_EQ(dcb.EofChar, 0x04);
  EXPECT_EQ(dcb.EvtChar, 0);

  COMMTIMEOUTS t;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, &t, sizeof(t), &returned));
  EXPECT_EQ(returned, 20u);
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 0u);

  COMMPROP p;
  std::memset(&p, 0xAA, sizeof(p));
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_PROPERTIES, nullptr, 0, &p, sizeof(p), &returned));
  EXPECT_EQ(returned, 64u);
  EXPECT_EQ(p.wPacketLength, 64);
  EXPECT_EQ(p.wPacketVersion, 1);
  EXPECT_EQ(p.dwServiceMask, 1u);
  EXPECT_EQ(p.dwMaxTxQueue, 0u);
  EXPECT_EQ(p.dwMaxRxQueue, 0u);
  EXPECT_EQ(p.dwMaxBaud, 0x10000000u);
  EXPECT_EQ(p.dwProvSubType, 1u);
  EXPECT_EQ(p.dwProvCapabilities, 0x48u);
  EXPECT_EQ(p.dwSettableParams, 0x3Fu);
  EXPECT_EQ(p.dwSettableBaud, 0x10000000u);
  EXPECT_EQ(p.wSettableData, 0x000C);
  EXPECT_EQ(p.wSettableStopParity, 0x1F07);
  EXPECT_EQ(p.dwCurrentTxQueue, 0u);
  EXPECT_EQ(p.dwCurrentRxQueue, 0u);

  DWORD value = 0xAA;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, &value, sizeof(value), &returned));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(returned, 4u);
  value = 0xAA;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_WAIT_MASK, nullptr, 0, &value, sizeof(value), &returned));
  EXPECT_EQ(value, 0u);
}

TEST_F(IoControlTest, MissingOrShortBuffersAreRefused) {
  struct Case {
    const char* name;
    DWORD code;
    DWORD in_size;   // bytes the request reads
    DWORD out_size;  // bytes the request answers
  } cases[] = {
      {"GET_WAIT_MASK", IOCTL_SERIAL_GET_WAIT_MASK, 0, 4},
      {"SET_WAIT_MASK", IOCTL_SERIAL_SET_WAIT_MASK, 4, 0},
      {"WAIT_ON_MASK", IOCTL_SERIAL_WAIT_ON_MASK, 0, 4},
      {"GET_COMMSTATUS", IOCTL_SERIAL_GET_COMMSTATUS, 0, 16},
      {"GET_MODEMSTATUS", IOCTL_SERIAL_GET_MODEMSTATUS, 0, 4},
      {"GET_PROPERTIES", IOCTL_SERIAL_GET_PROPERTIES, 0, 64},
      {"SET_TIMEOUTS", IOCTL_SERIAL_SET_TIMEOUTS, 20, 0},
      {"GET_TIMEOUTS", IOCTL_SERIAL_GET_TIMEOUTS, 0, 20},
      {"PURGE", IOCTL_SERIAL_PURGE, 4, 0},
      {"SET_QUEUE_SIZE", IOCTL_SERIAL_SET_QUEUE_SIZE, 8, 0},
      {"GET_DCB", IOCTL_SERIAL_GET_DCB, 0, 28},
      {"SET_DCB", IOCTL_SERIAL_SET_DCB, 28, 0},
  };
  BYTE buffer[128] = {};
  DWORD returned = 0;
  for (const Case& c : cases) {
    const DWORD in = c.in_size ? c.in_size - 1 : 0, out = c.out_size ? c.out_size - 1 : 0;
    // One byte short.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Ioctl(port, c.code, buffer, in, buffer, out, &returned)) << c.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.name;
    // Long enough, but no buffer at all.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Ioctl(port, c.code, c.in_size ? nullptr : buffer, c.in_size, c.out_size ? nullptr : buffer,
                       c.out_size, &returned))
        << c.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.name;
    if (c.out_size) {
      // An answer needs somewhere to put its length.
      SetLastError(0xdeadbeef);
      EXPECT_FALSE(Ioctl(port, c.code, nullptr, 0, buffer, c.out_size, nullptr)) << c.name;
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.name;
    }
  }
}

TEST_F(IoControlTest, LineRequestsSucceedAndUnknownCodesFail) {
  const DWORD accepted[] = {IOCTL_SERIAL_SET_BREAK_ON, IOCTL_SERIAL_SET_BREAK_OFF, IOCTL_SERIAL_SET_DTR,
                            IOCTL_SERIAL_CLR_DTR,      IOCTL_SERIAL_SET_RTS,       IOCTL_SERIAL_CLR_RTS,
                            IOCTL_SERIAL_SET_XOFF,     IOCTL_SERIAL_SET_XON,       IOCTL_SERIAL_IMMEDIATE_CHAR,
                            IOCTL_SERIAL_ENABLE_IR,    IOCTL_SERIAL_DISABLE_IR};
  for (DWORD code : accepted) EXPECT_TRUE(Ioctl(port, code, nullptr, 0, nullptr, 0, nullptr)) << std::hex << code;
  for (DWORD code : {DWORD{CTL_CODE(FILE_DEVICE_SERIAL_PORT, 24, METHOD_BUFFERED, FILE_ANY_ACCESS)}, DWORD{0}}) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Ioctl(port, code, nullptr, 0, nullptr, 0, nullptr)) << std::hex << code;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  }
  // Purging is accepted but keeps what is queued.
  const DWORD b = OpenPort();
  ASSERT_EQ(com.Write(port, "keep", 4), 4u);
  DWORD flags = PURGE_RXCLEAR | PURGE_TXCLEAR;
  EXPECT_TRUE(Ioctl(b, IOCTL_SERIAL_PURGE, &flags, sizeof(flags), nullptr, 0, nullptr));
  EXPECT_EQ(ReadAll(b, 4), "keep");
}

TEST_F(IoControlTest, SettingsAreStoredAsGivenPerHandle) {
  const DWORD other = OpenPort();
  DCB dcb;
  std::memset(&dcb, 0x5A, sizeof(dcb));  // nonsense is stored unchanged
  dcb.DCBlength = 3;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_SET_DCB, &dcb, sizeof(dcb), nullptr, 0, nullptr));
  DCB back;
  DWORD returned = 0;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_DCB, nullptr, 0, &back, sizeof(back), &returned));
  EXPECT_EQ(std::memcmp(&dcb, &back, sizeof(DCB)), 0);
  ASSERT_TRUE(Ioctl(other, IOCTL_SERIAL_GET_DCB, nullptr, 0, &back, sizeof(back), &returned));
  EXPECT_EQ(back.BaudRate, 115200u);

  ASSERT_TRUE(SetTimeouts(port, 1, 2, 3, 4, 5));
  COMMTIMEOUTS t;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, &t, sizeof(t), &returned));
  EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutMultiplier * 10 + t.ReadTotalTimeoutConstant * 100 +
                t.WriteTotalTimeoutMultiplier * 1000 + t.WriteTotalTimeoutConstant * 10000,
            54321u);

  ASSERT_TRUE(SetMask(port, EV_RXCHAR | EV_TXEMPTY));
  DWORD mask = 0;
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_GET_WAIT_MASK, nullptr, 0, &mask, sizeof(mask), &returned));
  EXPECT_EQ(mask, static_cast<DWORD>(EV_RXCHAR | EV_TXEMPTY));
}

TEST_F(IoControlTest, QueueSizesSetTheReceiveCapacityOfBothHandles) {
  const DWORD b = OpenPort();
  SERIAL_QUEUE_SIZES sizes = {4096, 4096};
  ASSERT_TRUE(Ioctl(port, IOCTL_SERIAL_SET_QUEUE_SIZE, &sizes, sizeof(sizes), nullptr, 0, nullptr));
  // The port receives into its input queue plus the peer's output queue, and
  // the peer into its own input queue plus the port's output queue.
  ASSERT_TRUE(SetTimeouts(b, MAXDWORD, MAXDWORD, 0, 0, 50));
  ASSERT_TRUE(SetTimeouts(port, MAXDWORD, MAXDWORD, 0, 0, 50));
  std::string big(6000, 'x');
  EXPECT_EQ(com.Write(b, big.data(), 6000), 4096u + 512u);
  EXPECT_EQ(com.Write(port, big.data(), 6000), 512u + 4096u);

  // A size whose sum does not fit 32 bits is refused and nothing changes.
  SERIAL_QUEUE_SIZES huge = {0xFFFFFFF0u, 16};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Ioctl(port, IOCTL_SERIAL_SET_QUEUE_SIZE, &huge, sizeof(huge), nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(ReadAll(port, 10000).size(), 4608u);
  EXPECT_EQ(com.Write(b, big.data(), 6000), 4096u + 512u);
}

TEST_F(IoControlTest, WaitCommEventEndsWhenBytesArriveOrThePeerTakesThem) {
  const DWORD b = OpenPort();
  ASSERT_TRUE(SetMask(b, EV_RXCHAR));
  auto waiter = std::async(std::launch::async, [&] { return WaitOnMask(b); });
  ASSERT_EQ(waiter.wait_for(kSettle), std::future_status::timeout);
  ASSERT_EQ(com.Write(port, "n", 1), 1u);
  EXPECT_EQ(waiter.get(), std::make_pair(BOOL{TRUE}, DWORD{EV_RXCHAR}));

  ASSERT_TRUE(SetMask(port, EV_TXEMPTY));
  auto sender = std::async(std::launch::async, [&] { return WaitOnMask(port); });
  ASSERT_EQ(sender.wait_for(kSettle), std::future_status::timeout);
  char in[4];
  ASSERT_EQ(com.Read(b, in, sizeof(in)), 1u);
  EXPECT_EQ(sender.get(), std::make_pair(BOOL{TRUE}, DWORD{EV_TXEMPTY}));
}

TEST_F(IoControlTest, SetCommMaskAndProcessExitEndAPendingWait) {
  const DWORD b = OpenPort();
  ASSERT_NE(b, 0u);
  ASSERT_TRUE(SetMask(port, EV_RXCHAR));
  auto waiter = std::async(std::launch::async, [&] { return WaitOnMask(port); });
  ASSERT_EQ(waiter.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(SetMask(port, EV_RXCHAR));
  EXPECT_EQ(waiter.get(), std::make_pair(BOOL{FALSE}, DWORD{ERROR_SUCCESS}));

  // The device manager's notice that the owning process ends does the same,
  // and ends a blocked read too; the notice itself answers FALSE.
  ASSERT_TRUE(SetTimeouts(port, 0, 0, 0));
  auto waiter2 = std::async(std::launch::async, [&] { return WaitOnMask(port); });
  // The wait must be pending before the read blocks: a wait is refused while
  // a read waits on the same handle.
  ASSERT_EQ(waiter2.wait_for(kSettle), std::future_status::timeout);
  char in[4];
  auto reader = std::async(std::launch::async, [&] { return com.Read(port, in, sizeof(in)); });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  DEVICE_PSL_NOTIFY notice = {sizeof(notice), DLL_PROCESS_EXITING, nullptr, nullptr};
  EXPECT_FALSE(Ioctl(port, IOCTL_PSL_NOTIFY, &notice, sizeof(notice), nullptr, 0, nullptr));
  EXPECT_EQ(waiter2.get().first, FALSE);
  EXPECT_EQ(reader.get(), kFailed);
}

TEST_F(IoControlTest, WaitCommEventIsRefusedWhileAReadWaits) {
  const DWORD b = OpenPort();
  ASSERT_TRUE(SetTimeouts(b, MAXDWORD, MAXDWORD, 4000));
  char in[4];
  auto reader = std::async(std::launch::async, [&] { return com.Read(b, in, sizeof(in)); });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  EXPECT_EQ(WaitOnMask(b), std::make_pair(BOOL{FALSE}, DWORD{ERROR_INVALID_PARAMETER}));
  ASSERT_EQ(com.Write(port, "r", 1), 1u);
  EXPECT_EQ(reader.get(), 1u);
}

}  // namespace
