// Bridges: a port relayed to a host pseudo-terminal published under ROOT/dev.
#include "devmgr/port_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>

namespace {

using kelvane::testing::PortTest;

class BridgeTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    Json::Value profile;
    profile["bridges"].append("COM5:");
    SetUpDevice(profile);
    ASSERT_NE(Activate(5), INVALID_HANDLE_VALUE);
    program = OpenPort(L"COM5:");
    ASSERT_NE(program, INVALID_HANDLE_VALUE) << GetLastError();
  }
  void TearDown() override {
    if (host >= 0) close(host);
    CloseHandle(program);
    PortTest::TearDown();
  }
  void OpenHost() {
    host = open((root() / "dev" / "COM5").c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(host, 0);
  }
  // Reads from the host side until `count` bytes came or 5 s passed.
  std::string HostRead(size_t count) {
    std::string out;
    char buffer[4096];
    while (out.size() < count) {
      pollfd p = {host, POLLIN, 0};
      if (poll(&p, 1, 5000) != 1) break;
      const ssize_t n = read(host, buffer, sizeof(buffer));
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  HANDLE program = INVALID_HANDLE_VALUE;
  int host = -1;
};

TEST_F(BridgeTest, BytesCrossInBothDirections) {
  OpenHost();
  const std::string sentence = "$GPGGA,120000.00,5530.0000,N,03730.0000,E,1,08,1.0,150.0,M,0.0,M,,*6A\r\n";
  ASSERT_EQ(Write(program, sentence), static_cast<long>(sentence.size()));
  EXPECT_EQ(HostRead(sentence.size()), sentence);

  ASSERT_EQ(write(host, "?WATCH;\r\n", 9), 9);
  ASSERT_TRUE(SetTimeouts(program, MAXDWORD, MAXDWORD, 5000));
  std::string got;
  for (int i = 0; i < 9 && got.size() < 9; ++i) got += Read(program, 64);
  EXPECT_EQ(got, "?WATCH;\r\n");
}

TEST_F(BridgeTest, AHostWriterDoesNotHoldUpTheDevicesOutput) {
  OpenHost();
  // The program never reads: what the host sends fills its buffer and more.
  const std::string probe(5000, 'p');
  ASSERT_EQ(write(host, probe.data(), probe.size()), static_cast<ssize_t>(probe.size()));
  for (int burst = 0; burst < 3; ++burst) {
    const std::string line = "$GPRMC," + std::to_string(burst) + "*00\r\n";
    ASSERT_EQ(Write(program, line), static_cast<long>(line.size()));
    EXPECT_EQ(HostRead(line.size()), line);
  }
}

TEST_F(BridgeTest, AHostProgramCanCloseAndReopenThePseudoTerminal) {
  OpenHost();
  ASSERT_EQ(Write(program, "one\r\n"), 5);
  EXPECT_EQ(HostRead(5), "one\r\n");
  close(host);
  host = -1;
  OpenHost();
  ASSERT_EQ(Write(program, "two\r\n"), 5);
  EXPECT_EQ(HostRead(5), "two\r\n");
}

// Nobody reads for a while: a reader that opens the link then starts on a
// whole line, and what it gets is recent.
TEST_F(BridgeTest, ALateReaderGetsOnlyRecentWholeLines) {
  const int bursts = 30;
  for (int burst = 0; burst < bursts; ++burst) {
    for (const char* kind : {"GPGGA", "GPRMC", "GPGSA"}) {
      const std::string line = std::string("$") + kind + "," + std::to_string(burst) + ",A*00\r\n";
      ASSERT_EQ(Write(program, line), static_cast<long>(line.size()));
    }
    Sleep(500);  // device time, as the program's bursts come
  }
  OpenHost();
  const std::string got = HostRead(1);
  ASSERT_FALSE(got.empty());
  // Whole lines only (the flush may fall between two lines of a burst).
  for (size_t at = 0; at < got.size();) {
    const size_t end = got.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << got;
    EXPECT_EQ(got.compare(at, 3, "$GP"), 0) << got;
    EXPECT_EQ(got.compare(end - 3, 3, "*00"), 0) << got;
    at = end + 2;
  }
  EXPECT_EQ(got.find(",0,A"), std::string::npos) << got;
  EXPECT_NE(got.find("$GPGSA," + std::to_string(bursts - 1) + ",A*00\r\n"), std::string::npos) << got;
}

TEST_F(BridgeTest, LinesLeftUnreadForSecondsAreDropped) {
  ASSERT_EQ(Write(program, "$GPGGA,old*00\r\n"), 15);
  Sleep(3000);
  // A line arrives in pieces: it reaches the host only whole.
  ASSERT_EQ(Write(program, "$GPGGA,"), 7);
  Sleep(200);
  ASSERT_EQ(Write(program, "new*00\r\n"), 8);
  Sleep(400);
  OpenHost();
  EXPECT_EQ(HostRead(15), "$GPGGA,new*00\r\n");
}

TEST_F(BridgeTest, DeactivationRemovesTheLink) {
  EXPECT_TRUE(std::filesystem::is_symlink(root() / "dev" / "COM5"));
  TearDownActivations();
  EXPECT_FALSE(std::filesystem::exists(root() / "dev" / "COM5"));
}

}  // namespace
