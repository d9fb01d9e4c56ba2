// The hive shared between processes on one device root: a second process
// (registry_helper) writes, deletes and reads back while this one watches.
#include "registry/registry_values.h"
#include "support/device_fixture.h"

#include <windows.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kelvane::testing::CreateKey;
using kelvane::testing::DeviceTest;
using kelvane::testing::QueryString;
using kelvane::testing::SetString;

class RegistryProcessTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    setenv("KELVANE_DEVICE_ROOT", root().c_str(), 1);
  }

  // Starts the helper with these arguments (each single-quoted for the shell).
  FILE* StartHelper(const std::vector<std::string>& args) {
    std::string command = std::string("'") + REGISTRY_HELPER + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    return popen(command.c_str(), "r");
  }
  // Waits for a started helper: its exit status, and its output in *output.
  static int FinishHelper(FILE* helper, std::string* output = nullptr) {
    char chunk[512];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, helper)) > 0)
      if (output) output->append(chunk, n);
    const int status = pclose(helper);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunHelper(const std::vector<std::string>& args, std::string* output = nullptr) {
    FILE* helper = StartHelper(args);
    return helper ? FinishHelper(helper, output) : -1;
  }
};

std::string Hex(const void* data, size_t size) {
  std::string out;
  char byte[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<const unsigned char*>(data)[i]);
    out += byte;
  }
  return out;
}

TEST_F(RegistryProcessTest, AValueSetByAnotherProcessIsReadHere) {
  ASSERT_EQ(RunHelper({"set", "Software\\Kelvane", "Greeting", "hello"}), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\kelvane", 0, 0, &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, L"Greeting"), L"hello");
  RegCloseKey(key);
}

TEST_F(RegistryProcessTest, OpenKeysSeeChangesAndDeletionByAnotherProcess) {
  HKEY key = CreateKey(L"System\\Shared");
  ASSERT_EQ(SetString(key, L"Value", L"mine"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, L"Value"), L"mine");
  ASSERT_EQ(RunHelper({"set", "System\\Shared", "Value", "theirs"}), 0);
  EXPECT_EQ(QueryString(key, L"Value"), L"theirs");
  // A write here after theirs keeps theirs too.
  ASSERT_EQ(SetString(key, L"Other", L"mine"), ERROR_SUCCESS);
  std::string dump;
  ASSERT_EQ(RunHelper({"dump", "System\\Shared"}, &dump), 0);
  EXPECT_NE(dump.find("Value|1|"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Other|1|"), std::string::npos) << dump;

  ASSERT_EQ(RunHelper({"delete", "System\\Shared"}), 0);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Value", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\Shared", 0, 0, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryProcessTest, ProcessesWritingTogetherLoseNothing) {
  constexpr int kEach = 60;
  FILE* first = StartHelper({"fill", "Software\\Busy", "A", std::to_string(kEach)});
  FILE* second = StartHelper({"fill", "Software\\Busy", "B", std::to_string(kEach)});
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  for (DWORD i = 0; i < kEach; ++i) {
    HKEY key = CreateKey(L"Software\\Busy");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(kelvane::testing::SetDword(key, (L"C" + std::to_wstring(i)).c_str(), i), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(FinishHelper(first), 0);
  EXPECT_EQ(FinishHelper(second), 0);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Busy", 0, 0, &key), ERROR_SUCCESS);
  for (const wchar_t* prefix : {L"A", L"B", L"C"})
    for (DWORD i = 0; i < kEach; ++i) {
      const std::wstring name = prefix + std::to_wstring(i);
      DWORD number = 0xdeadbeef, size = sizeof number;
      EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
                ERROR_SUCCESS)
          << name;
      EXPECT_EQ(number, i) << name;
    }
  RegCloseKey(key);
}

TEST_F(RegistryProcessTest, EveryByteOfEveryValueSurvivesTheHiveFile) {
  HKEY key = CreateKey(L"Software\\Exact");
  // A driver path written from a zero-filled buffer of 128 characters keeps its padding.
  WCHAR padded[128] = L"\\windows\\gpsfile.dat";
  std::wstring odd = L"quote\" backslash\\ newline\n tab\t cr\r nul";
  odd += L'\0';
  odd += L"e\u00e9 smile\U0001F600 ";
  odd += static_cast<wchar_t>(0xD800);   // a lone surrogate
  odd += static_cast<wchar_t>(0x110000);  // beyond Unicode
  odd += static_cast<wchar_t>(0x7F);
  const WCHAR multi[] = L"one\0two\0";
  const BYTE binary[] = {0, 0, 0xff, 0};
  const DWORD number = 0xCAFEF00D;
  struct Case {
    const char* name;
    DWORD type;
    const void* data;
    size_t size;
  };
  const Case cases[] = {
      {"File1", REG_SZ, padded, sizeof padded},
      {"Odd", REG_SZ, odd.c_str(), (odd.size() + 1) * sizeof(WCHAR)},
      {"Unterminated", REG_SZ, L"abc", 3 * sizeof(WCHAR)},
      {"Ragged", REG_SZ, "xyz", 3},
      {"Multi", REG_MULTI_SZ, multi, sizeof multi},
      {"Expand", REG_EXPAND_SZ, L"%windir%", 9 * sizeof(WCHAR)},
      {"Binary", REG_BINARY, binary, sizeof binary},
      {"Empty", REG_BINARY, "", 0},
      {"Number", REG_DWORD, &number, sizeof number},
      {"ShortNumber", REG_DWORD, &number, 2},
      {"Custom", 0x1234, binary, 3},
  };
  std::string expected;
  for (const Case& c : cases) {
    const std::wstring name(c.name, c.name + std::strlen(c.name));
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, c.type, static_cast<const BYTE*>(c.data),
                             static_cast<DWORD>(c.size)),
              ERROR_SUCCESS)
        << c.name;
    char head[64];
    std::snprintf(head, sizeof head, "%s|%lx|%zu|", c.name, static_cast<unsigned long>(c.type), c.size);
    expected += head + Hex(c.data, c.size) + "\n";
  }
  RegCloseKey(key);
  std::string dump;
  ASSERT_EQ(RunHelper({"dump", "Software\\Exact"}, &dump), 0);
  EXPECT_EQ(dump, expected);
}

}  // namespace
