// ActivateDevice and DeactivateDevice, and the ports the profile builds in.
#include "devmgr/port_fixture.h"

#include <winreg.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace {

using kelvane::testing::PortTest;

class ActivationTest : public PortTest {};

TEST_F(ActivationTest, AnInstanceIsNamedByPrefixAndIndex) {
  ASSERT_NE(Activate(7), INVALID_HANDLE_VALUE);
  HANDLE port = OpenPort(L"COM7:");
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_TRUE(CloseHandle(port));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenPort(L"COM8:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ActivationTest, FailuresReturnInvalidHandleValueWithTheReason) {
  ASSERT_NE(Activate(3), INVALID_HANDLE_VALUE);
  struct Case {
    const char* what;
    std::function<HANDLE()> activate;
    DWORD error;
  } cases[] = {
      {"the name is taken", [&] { return Activate(3); }, ERROR_DEVICE_IN_USE},
      {"the driver is missing", [&] { return Activate(4, L"Nothing.dll"); }, ERROR_MOD_NOT_FOUND},
      {"the library is no stream driver", [&] { return Activate(4, L"testmod.dll"); }, ERROR_PROC_NOT_FOUND},
      {"the key is missing", [&] { return ActivateDevice(L"\\Drivers\\KelvanePorts\\99", 0); }, ERROR_FILE_NOT_FOUND},
      {"no key", [&] { return ActivateDevice(nullptr, 0); }, ERROR_INVALID_PARAMETER},
  };
  for (auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(c.activate(), INVALID_HANDLE_VALUE) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  // The refusals left the working instance alone.
  HANDLE port = OpenPort(L"COM3:");
  EXPECT_NE(port, INVALID_HANDLE_VALUE);
  CloseHandle(port);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeactivateDevice(reinterpret_cast<HANDLE>(0x12345)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

class BuiltInPortTest : public PortTest {};

TEST_F(BuiltInPortTest, ExistingNamesRefuseActivationAndForeignPortsTakeWrites) {
  Json::Value profile;
  profile["ports"]["COM1:"]["kind"] = "existing";
  profile["ports"]["VSP2:"]["kind"] = "foreign";
  SetUpDevice(profile);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(Activate(1), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_IN_USE));
  EXPECT_NE(Activate(2), INVALID_HANDLE_VALUE);

  HANDLE foreign = OpenPort(L"VSP2:", GENERIC_WRITE);
  ASSERT_NE(foreign, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(Write(foreign, "$GPGGA,,*56\r\n"), 13);
  DCB dcb;
  EXPECT_TRUE(GetCommState(foreign, &dcb));
  EXPECT_TRUE(CloseHandle(foreign));
}

TEST_F(BuiltInPortTest, ATtyPortMovesBytesToAndFromTheHostDevice) {
  int master = -1, slave = -1;
  char slave_name[128];
  ASSERT_EQ(openpty(&master, &slave, slave_name, nullptr, nullptr), 0);
  termios raw;
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  Json::Value profile;
  profile["ports"]["COM3:"]["kind"] = "tty";
  profile["ports"]["COM3:"]["path"] = slave_name;
  SetUpDevice(profile);

  HANDLE modem = OpenPort(L"COM3:");
  ASSERT_NE(modem, INVALID_HANDLE_VALUE) << GetLastError();
  DCB dcb;
  ASSERT_TRUE(GetCommState(modem, &dcb));
  dcb.BaudRate = 9600;
  EXPECT_TRUE(SetCommState(modem, &dcb));
  ASSERT_EQ(Write(modem, "AT\r"), 3);
  char in[16] = {};
  pollfd p = {master, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_EQ(read(master, in, sizeof(in)), 3);
  EXPECT_EQ(std::string(in, 3), "AT\r");

  // Default time-outs: nothing there, nothing waited for.
  EXPECT_EQ(Read(modem, 16), "");
  ASSERT_TRUE(SetTimeouts(modem, MAXDWORD, MAXDWORD, 5000));
  ASSERT_EQ(write(master, "OK\r\n", 4), 4);
  std::string answer;
  for (int i = 0; i < 4 && answer.size() < 4; ++i) answer += Read(modem, 16);
  EXPECT_EQ(answer, "OK\r\n");
  EXPECT_TRUE(CloseHandle(modem));
  close(master);
  close(slave);
}

}  // namespace
