// The port's data path through the stream entry points: pairing, reads,
// writes, time-outs, close and the refusals of bad handles.
#include "driver/tavrel_fixture.h"

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <utility>

namespace {

using kelvane::testing::kFailed;
using kelvane::testing::TavrelTest;
using std::chrono::milliseconds;

// Long enough for a blocked call to have blocked; a call that wrongly does not
// block is over in microseconds.
const milliseconds kSettle(50);

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('A' + i % 23);
  return s;
}

class StreamTest : public TavrelTest {};

TEST_F(StreamTest, BytesFlowBothWaysOldestFirstAcrossPartialReads) {
  const DWORD a = OpenPort(), b = OpenPort();
  char in[10] = {};
  ASSERT_EQ(com.Write(a, "de", 2), 2u);
  ASSERT_EQ(com.Write(b, "xyz", 3), 3u);
  ASSERT_EQ(com.Read(a, in, 2), 2u);
  ASSERT_EQ(com.Read(a, in + 2, 5), 1u);
  EXPECT_EQ(std::string(in, 3), "xyz");
  EXPECT_EQ(ReadAll(b, 10), "de");
}

TEST_F(StreamTest, DefaultTimeoutsReturnAtOnceAndZeroTimeoutsWaitForData) {
  const DWORD a = OpenPort(), b = OpenPort();
  char in[16];
  const DWORD before = GetTickCount();
  EXPECT_EQ(com.Read(b, in, sizeof(in)), 0u);
  // The platform's "return at once" setting does not block either.
  ASSERT_TRUE(SetTimeouts(b, MAXDWORD, 0, 0));
  EXPECT_EQ(com.Read(b, in, sizeof(in)), 0u);
  // A read that waited would wait for good; the bound only has to leave a
  // loaded host room (a device second was 50 host ms at this scale).
  EXPECT_LT(GetTickCount() - before, 20000u);

  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  auto reader = std::async(std::launch::async, [&] { return com.Read(b, in, sizeof(in)); });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  ASSERT_EQ(com.Write(a, "hello", 5), 5u);
  EXPECT_EQ(reader.get(), 5u);
  EXPECT_EQ(std::string(in, 5), "hello");
}

TEST_F(StreamTest, ReadTimeoutsEndAnEmptyWaitWithNothing) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_NE(a, 0u);
  struct Case {
    DWORD interval, multiplier, constant, count, expected_wait;
  } cases[] = {
      {MAXDWORD, MAXDWORD, 200, 10, 200},  // the constant alone
      {0, 10, 100, 10, 200},               // count x multiplier + constant
      {50, 0, 300, 10, 300},               // the interval adds nothing
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetTimeouts(b, c.interval, c.multiplier, c.constant));
    char in[16];
    const DWORD before = GetTickCount();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(com.Read(b, in, c.count), 0u);
    const DWORD waited = GetTickCount() - before;
    // One tick of rounding between the host and the device clock.
    EXPECT_GE(waited + 1, c.expected_wait) << c.interval << "," << c.multiplier << "," << c.constant;
  }
}

TEST_F(StreamTest, AFullPeerBlocksTheWriterUntilItReads) {
  const DWORD a = OpenPort(), b = OpenPort();
  const std::string sent = Pattern(2000);
  auto writer = std::async(std::launch::async, [&] { return com.Write(a, sent.data(), 2000); });
  ASSERT_EQ(writer.wait_for(kSettle), std::future_status::timeout);
  char in[4096];
  // Both default queues of 512 bytes: the peer holds 1024.
  ASSERT_EQ(com.Read(b, in, sizeof(in)), 1024u);
  std::string received(in, 1024);
  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  received += ReadAll(b, 2000 - 1024);
  EXPECT_EQ(writer.get(), 2000u);
  EXPECT_EQ(received, sent);
}

TEST_F(StreamTest, ClosingTheFullPeerCompletesTheWrite) {
  const DWORD a = OpenPort(), b = OpenPort();
  const std::string sent = Pattern(2000);
  auto writer = std::async(std::launch::async, [&] { return com.Write(a, sent.data(), 2000); });
  ASSERT_EQ(writer.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(com.Close(b));
  EXPECT_EQ(writer.get(), 2000u);

  // The survivor pairs again with a new handle, with nothing left over.
  const DWORD c = OpenPort();
  ASSERT_NE(c, 0u);
  char in[16];
  EXPECT_EQ(com.Read(c, in, sizeof(in)), 0u);
  ASSERT_EQ(com.Write(c, "ok", 2), 2u);
  EXPECT_EQ(ReadAll(a, 2), "ok");
}

TEST_F(StreamTest, WriteTimeoutReportsTheBytesItMoved) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_NE(b, 0u);
  ASSERT_TRUE(SetTimeouts(a, MAXDWORD, MAXDWORD, 0, 0, 100));
  const std::string sent = Pattern(1500);
  EXPECT_EQ(com.Write(a, sent.data(), 1500), 1024u);
  // Nothing more fits: a write that moves nothing fails.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Write(a, sent.data(), 10), kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(ReadAll(b, 1500), sent.substr(0, 1024));
}

TEST_F(StreamTest, AThirdOpenIsRefusedAndAClosedPlaceCanBeTakenAgain) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenPort(), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES));
  ASSERT_TRUE(com.Close(a));
  const DWORD c = OpenPort();
  ASSERT_NE(c, 0u);
  ASSERT_EQ(com.Write(c, "q", 1), 1u);
  EXPECT_EQ(ReadAll(b, 1), "q");
}

TEST_F(StreamTest, UnknownAndClosedHandlesAreRefused) {
  const DWORD a = OpenPort();
  ASSERT_TRUE(com.Close(a));
  char buffer[4] = {};
  DWORD returned;
  struct Case {
    const char* call;
    std::function<bool()> fails;
  } cases[] = {
      {"Close(0)", [&] { return !com.Close(0); }},
      {"Close(closed)", [&] { return !com.Close(a); }},
      {"Read(closed)", [&] { return com.Read(a, buffer, 4) == kFailed; }},
      {"Write(closed)", [&] { return com.Write(a, buffer, 4) == kFailed; }},
      {"IOControl(closed)",
       [&] { return !Ioctl(a, IOCTL_SERIAL_GET_WAIT_MASK, nullptr, 0, buffer, 4, &returned); }},
      {"Open(unknown device)", [&] { return com.Open(0x7fffffff, 0, 0) == 0; }},
      {"Open(an open handle as device)", [&] { return com.Open(a, 0, 0) == 0; }},
      {"Read(the device as handle)", [&] { return com.Read(device, buffer, 4) == kFailed; }},
      {"Deinit(unknown)", [&] { return !com.Deinit(0); }},
  };
  for (auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(c.fails()) << c.call;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << c.call;
  }
  // No byte to move succeeds on any handle; a port has no position.
  EXPECT_EQ(com.Read(a, buffer, 0), 0u);
  EXPECT_EQ(com.Write(a, buffer, 0), 0u);
  const DWORD b = OpenPort();
  EXPECT_EQ(com.Seek(b, 0, 0), kFailed);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Write(b, nullptr, 4), kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(StreamTest, ASecondBlockedReadOrWriteOnOneHandleIsRefused) {
  const DWORD a = OpenPort(), b = OpenPort();
  // Long enough to outlast the refused call, short enough to end the test
  // should the first call not have blocked yet.
  ASSERT_TRUE(SetTimeouts(b, MAXDWORD, MAXDWORD, 4000));
  char in[8];
  auto reader = std::async(std::launch::async, [&] { return com.Read(b, in, sizeof(in)); });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  char other[8];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Read(b, other, sizeof(other)), kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ACCESS));
  ASSERT_EQ(com.Write(a, "z", 1), 1u);
  EXPECT_EQ(reader.get(), 1u);

  const std::string fill = Pattern(1024);
  ASSERT_EQ(com.Write(a, fill.data(), 1024), 1024u);
  ASSERT_TRUE(SetTimeouts(a, MAXDWORD, MAXDWORD, 0, 0, 4000));
  auto writer = std::async(std::launch::async, [&] { return com.Write(a, "1", 1); });
  ASSERT_EQ(writer.wait_for(kSettle), std::future_status::timeout);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Write(a, "2", 1), kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ACCESS));
  ASSERT_EQ(com.Read(b, in, 1), 1u);
  EXPECT_EQ(writer.get(), 1u);
}

TEST_F(StreamTest, NewTimeoutsEndABlockedReadAndWrite) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  char in[8];
  auto reader = std::async(std::launch::async, [&] {
    SetLastError(0xdeadbeef);
    const DWORD n = com.Read(b, in, sizeof(in));
    return std::make_pair(n, GetLastError());
  });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  EXPECT_EQ(reader.get(), std::make_pair(kFailed, DWORD{ERROR_SUCCESS}));

  const std::string sent = Pattern(1100);
  auto writer = std::async(std::launch::async, [&] { return com.Write(a, sent.data(), 1100); });
  ASSERT_EQ(writer.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(SetTimeouts(a, 0, 0, 0));
  EXPECT_EQ(writer.get(), 1024u);  // the bytes already moved
}

TEST_F(StreamTest, ClosingAHandleEndsItsOwnBlockedRead) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_NE(a, 0u);
  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  char in[8];
  auto reader = std::async(std::launch::async, [&] {
    SetLastError(0xdeadbeef);
    const DWORD n = com.Read(b, in, sizeof(in));
    return std::make_pair(n, GetLastError());
  });
  ASSERT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  ASSERT_TRUE(com.Close(b));
  EXPECT_EQ(reader.get(), std::make_pair(kFailed, DWORD{ERROR_INVALID_HANDLE}));
}

}  // namespace
