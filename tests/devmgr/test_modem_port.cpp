// The device's modem ports: the simulated modem's answers and the platform's
// serial rules on it (time-outs, purge, one user at a time), and host ttys
// (a pseudo-terminal here) opened exclusively and raw.
#include "devmgr/port_fixture.h"
#include "support/scenario_profile.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <pegdser.h>

#include <cstdlib>
#include <string>

namespace {

using kelvane::testing::PortTest;

class ModemPortTest : public PortTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Json::Value serving = kelvane::testing::ScenarioCell(250, 1, 0x1A2B, 0xC3D4, 31);
    profile_["scenario"]["steps"].append(kelvane::testing::ScenarioStep(100000000, serving));
    profile_["ports"]["COM3:"]["kind"] = "modem";
    profile_["ports"]["COM3:"]["operatorListDelay"] = 500;
  }
  Json::Value& modem() { return profile_["ports"]["COM3:"]; }
  HANDLE Open() {
    SetUpDevice(profile_);
    HANDLE port = OpenPort(L"COM3:");
    // Reads end 200 device ms after the last byte, or 2 s without one.
    if (port != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(SetTimeouts(port, 200, 0, 2000));
    }
    return port;
  }
  // One command and whatever the modem says to it.
  std::string Ask(HANDLE port, const std::string& command) {
    EXPECT_EQ(Write(port, command), static_cast<long>(command.size()));
    return Read(port, 1024);
  }
  Json::Value profile_;
};

TEST_F(ModemPortTest, AnswersFromTheServingCellInTheFormsRealModemsUse) {
  modem()["echo"] = false;
  HANDLE port = Open();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  // Without +CREG=2 a modem shows its registration only.
  EXPECT_EQ(Ask(port, "AT+CREG?\r"), "\r\n+CREG: 0,1\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+CREG=2\r"), "\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "at+creg?\r"), "\r\n+CREG: 2,1,\"1A2B\",\"0000C3D4\"\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+CSQ\r"), "\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+COPS?\r"), "\r\n+COPS: 0,2,\"25001\"\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+COPS=?\r"),
            "\r\n+COPS: (2,\"Operator 25001\",\"Op25001\",\"25001\"),(1,\"Operator 25002\",\"Op25002\",\"25002\"),,"
            "(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+CGMI\r"), "\r\nERROR\r\n");
  EXPECT_EQ(Ask(port, "ATE1\r"), "\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT\r"), "AT\r\r\nOK\r\n");
  CloseHandle(port);
}

TEST_F(ModemPortTest, TheShortFormAndAModemWithoutService) {
  modem()["echo"] = false;
  modem()["cellIdForm"] = "short";
  profile_["scenario"]["steps"][0]["duration"] = 4000;
  profile_["scenario"]["steps"].append(Json::Value(Json::objectValue));
  profile_["scenario"]["steps"][1]["duration"] = 100000000;
  HANDLE port = Open();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(Ask(port, "AT+CREG=2\r"), "\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+CREG?\r"), "\r\n+CREG: 2,1,\"1A2B\",\"C3D4\"\r\n\r\nOK\r\n");
  Sleep(4000);  // the next step has no serving cell
  EXPECT_EQ(Ask(port, "AT+CREG?\r"), "\r\n+CREG: 2,0\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+CSQ\r"), "\r\n+CSQ: 99,99\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask(port, "AT+COPS=?\r"), "\r\n+COPS: ,,(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n");
  CloseHandle(port);
}

TEST_F(ModemPortTest, ReadsFollowTheIntervalAndTotalTimeOuts) {
  modem()["echo"] = false;
  modem()["replyPieces"] = 2;
  modem()["pieceGap"] = 1000;
  HANDLE port = Open();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  // The first byte comes alone: the second is 1000 ms later, past the 200 ms interval.
  ASSERT_EQ(Write(port, "AT\r"), 3);
  EXPECT_EQ(Read(port, 1024), "\r");
  EXPECT_EQ(Read(port, 1024), "\nOK\r\n");
  // A longer interval takes the whole answer in one read.
  ASSERT_TRUE(SetTimeouts(port, 1500, 0, 2000));
  ASSERT_EQ(Write(port, "AT\r"), 3);
  EXPECT_EQ(Read(port, 1024), "\r\nOK\r\n");
  // Nothing to read: the total time-out, 20 ms a byte and 1000 ms.
  ASSERT_TRUE(SetTimeouts(port, 5000, 20, 1000));
  const DWORD start = GetTickCount();
  EXPECT_EQ(Read(port, 100), "");
  EXPECT_GE(GetTickCount() - start, 3000u);
  // MAXDWORD, MAXDWORD, constant: back as soon as a byte is there.
  ASSERT_TRUE(SetTimeouts(port, MAXDWORD, MAXDWORD, 5000));
  ASSERT_EQ(Write(port, "AT\r"), 3);
  EXPECT_EQ(Read(port, 1024), "\r");
  CloseHandle(port);
}

TEST_F(ModemPortTest, PurgeDropsWhatHasArrivedAndANewCommandAbortsThePendingAnswer) {
  modem()["echo"] = false;
  modem()["operatorListDelay"] = 3000;
  HANDLE port = Open();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  ASSERT_EQ(Write(port, "AT+CSQ\r"), 7);
  Sleep(500);
  ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
  EXPECT_EQ(Read(port, 1024), "");
  // The slow list is abandoned when the next command comes.
  ASSERT_EQ(Write(port, "AT+COPS=?\r"), 10);
  EXPECT_EQ(Ask(port, "AT\r"), "\r\nOK\r\n");
  Sleep(3000);
  EXPECT_EQ(Read(port, 1024), "");
  CloseHandle(port);
}

TEST_F(ModemPortTest, OneUserAtATimeAndTheVendorControl) {
  modem()["refuseDeviceControl"] = true;
  profile_["ports"]["COM4:"]["kind"] = "modem";
  HANDLE port = Open();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenPort(L"COM3:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  BYTE input[2] = {0x84, 0x00};
  DWORD returned = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeviceIoControl(port, 0xAAAA5679, input, 2, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  CloseHandle(port);
  port = OpenPort(L"COM3:");
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(port);

  HANDLE other = OpenPort(L"COM4:");
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeviceIoControl(other, 0xAAAA5679, input, 2, nullptr, 0, &returned, nullptr));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeviceIoControl(other, 0xAAAA5679, input, 1, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(other);
}

// A host pseudo-terminal as the device's COM6:.
class TtyPortTest : public PortTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    path_ = ptsname(master_);
    // A second end held open, as kelvane-modem holds one, so the line
    // survives the port's closes; also how the test sees the line's state.
    watcher_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(watcher_, 0);
    Json::Value profile;
    profile["ports"]["COM6:"]["kind"] = "tty";
    profile["ports"]["COM6:"]["path"] = path_;
    SetUpDevice(profile);
  }
  void TearDown() override {
    close(watcher_);
    close(master_);
    PortTest::TearDown();
  }
  bool Exclusive() {
    int exclusive = -1;
    EXPECT_EQ(ioctl(watcher_, TIOCGEXCL, &exclusive), 0);
    return exclusive == 1;
  }
  int master_ = -1, watcher_ = -1;
  std::string path_;
};

TEST_F(TtyPortTest, TheLineIsHeldExclusivelyUntilItsClose) {
  EXPECT_FALSE(Exclusive());
  HANDLE port = OpenPort(L"COM6:");
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_TRUE(Exclusive());
  ASSERT_TRUE(CloseHandle(port));
  EXPECT_FALSE(Exclusive());
  port = OpenPort(L"COM6:");
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(port);
}

TEST_F(TtyPortTest, RawBytesBothWaysWithPurgeAndModemLines) {
  HANDLE port = OpenPort(L"COM6:");
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  ASSERT_TRUE(SetTimeouts(port, 200, 0, 2000));
  // The pseudo-terminal has no modem lines; raising them is no failure.
  EXPECT_TRUE(EscapeCommFunction(port, SETDTR));
  EXPECT_TRUE(EscapeCommFunction(port, SETRTS));
  EXPECT_TRUE(EscapeCommFunction(port, CLRDTR));
  // Raw: a carriage return stays one, and nothing is echoed back.
  ASSERT_EQ(Write(port, "AT\r"), 3);
  char got[8] = {0};
  ASSERT_EQ(read(master_, got, sizeof got), 3);
  EXPECT_EQ(std::string(got, 3), "AT\r");
  ASSERT_EQ(write(master_, "\r\nOK\r\n", 6), 6);
  Sleep(100);
  EXPECT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
  EXPECT_EQ(Read(port, 64), "");
  ASSERT_EQ(write(master_, "\r\nOK\r\n", 6), 6);
  EXPECT_EQ(Read(port, 64), "\r\nOK\r\n");
  CloseHandle(port);
}

}  // namespace
