// config.ini garbled: reads give the default or a value the line really
// holds, text values stay inside the caller's buffer, and a rewrite keeps
// every line it does not own byte for byte.
#include <windows.h>

#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/config_file.h"
#include "settings/settings.h"
#include "support/byte_mutator.h"
#include "support/device_fixture.h"

namespace kelvane::testing {
namespace {

constexpr const wchar_t* kPath = L"\\Program Files\\Kelvane\\config.ini";
constexpr DWORD kDefault = 0x5EED;

const std::vector<std::string> kSeeds = {
    "ProxyIP=10.0.0.1\nProxyPort=8080\nTowerTimeOut=7000\nGpsTimeOut=2000\nMode=1\nWiFiOn=1\n",
    "; comment\nMode = 2\n Mode=3\nMode'x=4\r\nMode=5\r\nModePort=COM4:\nMode=6",
    std::string(70, 'K') + "=1\nMode=" + std::string(70, '9') + "\nProxyIP=" + std::string(64, 'a') + "\n",
    std::string("Mode=\0\x80\xff\n=7\nMode\nWiFiOn=-1\n", 28),
};

class ConfigFuzzTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    InitializeCriticalSection(&lock_);
    std::filesystem::create_directories(host_file().parent_path());
  }
  void TearDown() override {
    DeleteCriticalSection(&lock_);
    DeviceTest::TearDown();
  }

  std::filesystem::path host_file() const { return root() / "Program Files/Kelvane/config.ini"; }
  void WriteConfig(const std::string& bytes) {
    std::ofstream(host_file(), std::ios::binary | std::ios::trunc) << bytes;
  }
  ConfigFile config() { return ConfigFile(kPath, &lock_); }

  CRITICAL_SECTION lock_;
};

// The file's lines as the program sees them: split at '\n', the last one
// also without it.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < bytes.size()) {
    const size_t end = bytes.find('\n', from);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(from));
      break;
    }
    lines.push_back(bytes.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

// A line belongs to "Mode" when its key (up to the first '=' or apostrophe,
// or the whole line) is exactly that.
bool OwnedByMode(const std::string& line) { return line.substr(0, line.find_first_of("='")) == "Mode"; }

TEST_F(ConfigFuzzTest, ReadsGiveTheDefaultOrAValueTheLineHolds) {
  ByteMutator mutator(7001, kSeeds, kTextAlphabet);
  for (int round = 0; round < 1500; ++round) {
    const std::string bytes = mutator.Next();
    WriteConfig(bytes);
    const DWORD mode = config().ReadNumber(L"Mode", kDefault);
    const std::vector<std::string> lines = Lines(bytes);
    bool any_mode_line = false;
    for (const std::string& line : lines) any_mode_line |= line.rfind("Mode=", 0) == 0;
    if (!any_mode_line) {
      ASSERT_EQ(mode, kDefault) << "round " << mutator.round();
    }

    WCHAR buffer[80];
    wmemset(buffer, L'#', 80);
    if (config().ReadText(L"ProxyIP", buffer)) {
      const size_t length = wcsnlen(buffer, 64);
      ASSERT_LT(length, 64u) << "round " << mutator.round();
      ASSERT_GT(length, 0u);
      // The value is a piece of a line that starts with the key.
      const std::string value(buffer, buffer + length);
      bool found = false;
      for (const std::string& line : lines)
        found |= line.rfind("ProxyIP=", 0) == 0 && line.find(value) != std::string::npos;
      ASSERT_TRUE(found) << "round " << mutator.round();
    } else {
      ASSERT_EQ(buffer[0], L'#');
    }
    for (int i = 64; i < 80; ++i) ASSERT_EQ(buffer[i], L'#') << "written past the buffer, round " << round;
  }
}

TEST_F(ConfigFuzzTest, SettingsLoadKeepsTheProxyAddressTerminated) {
  ByteMutator mutator(7002, kSeeds, kTextAlphabet);
  for (int round = 0; round < 300; ++round) {
    WriteConfig(mutator.Next());
    Settings settings;
    memset(settings.proxy_address, 'z', sizeof settings.proxy_address);
    settings.Load(&lock_);
    ASSERT_LT(strnlen(settings.proxy_address, sizeof settings.proxy_address), sizeof settings.proxy_address);
    if (settings.translation) FreeLibrary(settings.translation);
  }
}

TEST_F(ConfigFuzzTest, RewriteKeepsEveryLineItDoesNotOwn) {
  ByteMutator mutator(7003, kSeeds, kTextAlphabet);
  for (int round = 0; round < 1500; ++round) {
    const std::string bytes = mutator.Next();
    WriteConfig(bytes);
    ASSERT_TRUE(config().WriteNumber(L"Mode", 7));

    // The first line of the key is replaced in place, or the line appended.
    std::vector<std::string> expected = Lines(bytes);
    size_t owned = 0;
    while (owned < expected.size() && !OwnedByMode(expected[owned])) ++owned;
    if (owned < expected.size())
      expected[owned] = "Mode=7";
    else
      expected.push_back("Mode=7");
    std::string expected_bytes;
    for (const std::string& line : expected) expected_bytes += line + "\n";
    ASSERT_EQ(ReadHostFile("Program Files/Kelvane/config.ini"), expected_bytes) << "round " << mutator.round();
    ASSERT_EQ(config().ReadNumber(L"Mode", kDefault), 7u) << "round " << mutator.round();
  }
}

}  // namespace
}  // namespace kelvane::testing
