// ShellExecuteEx: requests recorded in the device root, web addresses handed
// to the host's browser with the device's host names mapped.
#include "support/device_fixture.h"
#include "support/program_runner.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::WaitUntil;

class ShellExecuteTest : public DeviceTest {
 protected:
  BOOL Open(const WCHAR* file, SHELLEXECUTEINFO* request) {
    *request = {};
    request->cbSize = sizeof *request;
    request->lpVerb = L"Open";
    request->lpFile = file;
    request->nShow = SW_SHOWNORMAL;
    return ShellExecuteEx(request);
  }
};

TEST_F(ShellExecuteTest, RequestsAreRecordedAndOnlyWebAddressesHaveAHandler) {
  SHELLEXECUTEINFO request;
  EXPECT_TRUE(Open(L"http://maps.example/#lat=1.5&lon=2&z=13", &request));
  EXPECT_GT(reinterpret_cast<uintptr_t>(request.hInstApp), 32u);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Open(L"\\My Documents\\notes.txt", &request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(request.hInstApp), static_cast<uintptr_t>(SE_ERR_NOASSOC));
  EXPECT_FALSE(Open(L"", &request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  request.cbSize = sizeof request - 4;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ShellExecuteEx(&request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(ReadHostFile("shell.log"),
            "Open http://maps.example/#lat=1.5&lon=2&z=13\n"
            "Open \\My Documents\\notes.txt\n");
}

TEST_F(ShellExecuteTest, TheHostsBrowserGetsTheAddressThroughTheHostsTable) {
  // A stand-in browser on PATH that writes down what it was given.
  const auto bin = root() / "bin";
  std::filesystem::create_directories(bin);
  const auto opened = root() / "opened.txt";
  {
    std::ofstream script(bin / "xdg-open");
    script << "#!/bin/sh\necho \"$1\" >> '" << opened.string() << "'\n";
  }
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
  Json::Value profile;
  profile["shellOpensBrowser"] = true;
  profile["hosts"]["maps.example"] = "127.0.0.1:8080";
  profile["hosts"]["tiles.example"] = "10.0.0.1";
  WriteProfile(profile);
  const struct {
    const WCHAR* address;
    const char* expected;
  } cases[] = {
      {L"http://MAPS.example/#lat=1&lon=2&z=13", "http://127.0.0.1:8080/#lat=1&lon=2&z=13"},
      {L"http://maps.example:81/a", "http://127.0.0.1:8080/a"},  // the entry's port wins
      {L"https://tiles.example:81/a?b", "https://10.0.0.1:81/a?b"},
      {L"http://tiles.example", "http://10.0.0.1"},
      {L"http://other.example/x", "http://other.example/x"},
  };
  std::string expected;
  for (const auto& c : cases) {
    SHELLEXECUTEINFO request;
    EXPECT_TRUE(Open(c.address, &request)) << c.expected;
    expected += std::string(c.expected) + "\n";
    // One at a time, so the lines come in order.
    const size_t lines = static_cast<size_t>(std::count(expected.begin(), expected.end(), '\n'));
    EXPECT_TRUE(WaitUntil(
        [&] {
          const std::string text = ReadHostFile("opened.txt");
          return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) == lines;
        },
        10s));
  }
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(ReadHostFile("opened.txt"), expected);
}

}  // namespace
