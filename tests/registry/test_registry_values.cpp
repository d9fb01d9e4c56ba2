// Registry values: types, the size rules of queries, and what the profile
// makes of the registry (refused writes, the seed of a new hive).
#include "registry/registry_values.h"
#include "support/device_fixture.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::CreateKey;
using kelvane::testing::DeviceTest;
using kelvane::testing::QueryString;
using kelvane::testing::SetDword;
using kelvane::testing::SetString;

class RegistryValueTest : public DeviceTest {};

std::vector<BYTE> Bytes(const void* data, size_t size) {
  const auto* bytes = static_cast<const BYTE*>(data);
  return std::vector<BYTE>(bytes, bytes + size);
}

TEST_F(RegistryValueTest, ValuesComeBackWithTheirTypeAndExactBytes) {
  HKEY key = CreateKey(L"Software\\Types");
  const DWORD number = 0x12345678;
  const BYTE binary[] = {0, 1, 0, 0xff};
  const WCHAR multi[] = L"one\0two\0";  // two texts and the list's end
  const WCHAR text[] = L"%windir%\\x";
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
  };
  const Case cases[] = {
      {L"Text", REG_SZ, Bytes(text, sizeof text)},
      {L"Number", REG_DWORD, Bytes(&number, sizeof number)},
      {L"Binary", REG_BINARY, Bytes(binary, sizeof binary)},
      {L"Empty", REG_BINARY, {}},
      {L"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi)},
      {L"Expand", REG_EXPAND_SZ, Bytes(text, sizeof text)},
      {L"", REG_SZ, Bytes(L"default", 8 * sizeof(WCHAR))},
  };
  for (const Case& c : cases)
    ASSERT_EQ(RegSetValueExW(key, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
  for (const Case& c : cases) {
    BYTE buffer[64];
    DWORD type = 0xdeadbeef, size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(Bytes(buffer, size), c.data) << c.name;
  }
  // A null name is the unnamed value.
  EXPECT_EQ(QueryString(key, nullptr), L"default");
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, QueriesFollowTheSizeRules) {
  HKEY key = CreateKey(L"Software\\Sizes");
  ASSERT_EQ(SetString(key, L"CurrentDriver", L"Kelvane"), ERROR_SUCCESS);
  const DWORD needed = 8 * sizeof(WCHAR);  // seven characters and the terminator
  struct Case {
    bool with_buffer;
    DWORD size_in;
    LONG error;
    DWORD size_out;
    bool copied;
  };
  const Case cases[] = {
      {false, 0, ERROR_SUCCESS, needed, false},        // null data: a size query
      {true, needed - 1, ERROR_MORE_DATA, needed, false},
      {true, 0, ERROR_MORE_DATA, needed, false},
      {true, needed, ERROR_SUCCESS, needed, true},
      {true, 4 * needed, ERROR_SUCCESS, needed, true},
  };
  for (const Case& c : cases) {
    WCHAR buffer[32];
    std::wmemset(buffer, L'#', 32);
    DWORD type = 0xdeadbeef, size = c.size_in;
    EXPECT_EQ(RegQueryValueExW(key, L"CurrentDriver", nullptr, &type, c.with_buffer ? reinterpret_cast<BYTE*>(buffer)
                                                                                      : nullptr,
                               &size),
              c.error)
        << c.size_in;
    EXPECT_EQ(size, c.size_out) << c.size_in;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << c.size_in;
    EXPECT_EQ(std::wstring(buffer, 7) == L"Kelvane", c.copied) << c.size_in;
  }
  BYTE buffer[4];
  EXPECT_EQ(RegQueryValueExW(key, L"CurrentDriver", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, L"CurrentDriver", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, L"Null", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, StringsStoredWithoutTerminatorGetOneWhenThereIsRoom) {
  HKEY key = CreateKey(L"Software\\Unterminated");
  ASSERT_EQ(RegSetValueExW(key, L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 3 * sizeof(WCHAR)),
            ERROR_SUCCESS);
  WCHAR buffer[8];
  std::wmemset(buffer, L'#', 8);
  DWORD size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExW(key, L"Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 3 * sizeof(WCHAR));
  EXPECT_STREQ(buffer, L"abc");
  // Without room the data is all there is.
  std::wmemset(buffer, L'#', 8);
  size = 3 * sizeof(WCHAR);
  ASSERT_EQ(RegQueryValueExW(key, L"Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
  EXPECT_EQ(buffer[3], L'#');
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, DeletedValuesAreGone) {
  HKEY key = CreateKey(L"Software\\Delete");
  SetString(key, L"A", L"1");
  SetString(key, L"B", L"2");
  EXPECT_EQ(RegDeleteValueW(key, L"a"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, L"A"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryString(key, L"A"), L"<error 2>");
  EXPECT_EQ(QueryString(key, L"B"), L"2");
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, TheHiveIsReadableText) {
  HKEY key = CreateKey(L"Drivers\\KelvanePorts\\3");
  SetString(key, L"Dll", L"Tavrel.dll");
  SetDword(key, L"Index", 3);
  const BYTE blob[] = {1, 0xa0};
  RegSetValueExW(key, L"Blob", 0, REG_BINARY, blob, sizeof blob);
  SetString(key, nullptr, L"say \"hi\"");
  RegCloseKey(key);
  RegCloseKey(CreateKey(L"Drivers\\Empty"));
  const std::string hive = ReadHostFile("registry");
  EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\Drivers\\KelvanePorts\\3]\n"
                      "\"Dll\"=\"Tavrel.dll\"\n"
                      "\"Index\"=dword:00000003\n"
                      "\"Blob\"=hex:01,a0\n"
                      "@=\"say \\\"hi\\\"\"\n"),
            std::string::npos)
      << hive;
  EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\Drivers\\Empty]\n"), std::string::npos) << hive;
}

TEST_F(RegistryValueTest, HandWrittenHiveLoadsAndBadLinesAreSkipped) {
  std::ofstream(root() / "registry") << "; made by hand\r\n"
                                        "[HKEY_LOCAL_MACHINE\\System\\GPS]\r\n"
                                        "\"Good\"=\"yes\"\r\n"
                                        "\"Broken\"=dword:\r\n"
                                        "\"Unclosed=\"x\"\r\n"
                                        "\"After\"=dword:0000002a\r\n"
                                        "[HKEY_NOWHERE\\X]\r\n"
                                        "\"Lost\"=\"z\"\r\n";
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\GPS", 0, 0, &key), ERROR_SUCCESS);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(QueryString(key, L"Good"), L"yes");
  DWORD number = 0, size = sizeof number;
  ASSERT_EQ(RegQueryValueExW(key, L"After", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 42u);
  EXPECT_EQ(QueryString(key, L"Broken"), L"<error 2>");
  for (const char* line : {"line 4:", "line 5:", "line 7:", "line 8:"})
    EXPECT_NE(errors.find(line), std::string::npos) << line << " in " << errors;
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, ProfileCanRefuseEveryWrite) {
  Json::Value profile;
  profile["registry"]["refuseWrites"] = true;
  profile["registry"]["seed"]["HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers"]
         ["CurrentDriver"] = "GPSOne";
  WriteProfile(profile);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  const std::string hive_before = ReadHostFile("registry");
  HKEY sub = nullptr;
  DWORD disposition = 0;
  EXPECT_EQ(SetString(key, L"CurrentDriver", L"Kelvane"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExW(key, L"Kelvane", 0, nullptr, 0, 0, nullptr, &sub, &disposition), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(key, L"CurrentDriver"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet"), ERROR_ACCESS_DENIED);
  // Reading and opening what exists still work.
  EXPECT_EQ(QueryString(key, L"CurrentDriver"), L"GPSOne");
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"System", 0, nullptr, 0, 0, nullptr, &sub, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(ReadHostFile("registry"), hive_before);
  RegCloseKey(sub);
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, ProfileCanRefuseWritesAtOrBelowKeyPaths) {
  Json::Value profile;
  profile["registry"]["refuseWrites"].append("HKEY_LOCAL_MACHINE\\Drivers\\KelvanePorts");
  WriteProfile(profile);
  struct Case {
    const wchar_t* path;
    LONG error;
  };
  const Case cases[] = {{L"Drivers", ERROR_SUCCESS},
                        {L"Drivers\\KelvanePortsOther", ERROR_SUCCESS},
                        {L"Drivers\\KelvanePorts", ERROR_ACCESS_DENIED},
                        {L"drivers\\kelvaneports\\3", ERROR_ACCESS_DENIED}};
  for (const Case& c : cases) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, c.path, 0, nullptr, 0, 0, nullptr, &key, nullptr), c.error)
        << c.path;
    if (key) {
      EXPECT_EQ(SetString(key, L"Dll", L"Tavrel.dll"), ERROR_SUCCESS) << c.path;
      RegCloseKey(key);
    }
  }
}

TEST_F(RegistryValueTest, SeedFillsANewHiveOnly) {
  Json::Value profile;
  Json::Value& drivers = profile["registry"]["seed"]["HKEY_LOCAL_MACHINE\\Drivers\\Seeded"];
  drivers["Text"] = "seeded";
  drivers["Number"] = 4000000000u;
  drivers["Negative"] = -1;
  drivers["List"].append("a");
  drivers["List"].append("b");
  drivers["Bad"] = true;
  profile["registry"]["seed"]["HKEY_CURRENT_USER\\Software\\Empty"] = Json::Value(Json::objectValue);
  profile["registry"]["seed"]["NOT_A_ROOT\\Key"]["x"] = 1;
  WriteProfile(profile);
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\Seeded", 0, 0, &key), ERROR_SUCCESS);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("\"Bad\""), std::string::npos) << errors;
  EXPECT_NE(errors.find("NOT_A_ROOT"), std::string::npos) << errors;
  EXPECT_EQ(QueryString(key, L"Text"), L"seeded");
  DWORD number = 0, size = sizeof number, type = 0;
  ASSERT_EQ(RegQueryValueExW(key, L"Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 4000000000u);
  ASSERT_EQ(RegQueryValueExW(key, L"Negative", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 0xFFFFFFFFu);
  WCHAR list[8];
  size = sizeof list;
  ASSERT_EQ(RegQueryValueExW(key, L"List", nullptr, &type, reinterpret_cast<BYTE*>(list), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(std::wstring(list, size / sizeof(WCHAR)), std::wstring(L"a\0b\0", 5));
  EXPECT_EQ(QueryString(key, L"Bad"), L"<error 2>");
  HKEY empty = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Empty", 0, 0, &empty), ERROR_SUCCESS);
  RegCloseKey(empty);
  ASSERT_EQ(SetString(key, L"Text", L"changed"), ERROR_SUCCESS);
  RegCloseKey(key);

  // Once the hive exists the seed is not read again.
  drivers["Text"] = "seed changed";
  WriteProfile(profile);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\Seeded", 0, 0, &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, L"Text"), L"changed");
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, ThreadsWritingTogetherLoseNothing) {
  constexpr int kThreads = 4, kValues = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kValues; ++i) {
        HKEY key = CreateKey(L"Software\\Together");
        const std::wstring name = L"T" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        EXPECT_EQ(SetDword(key, name.c_str(), static_cast<DWORD>(t * 1000 + i)), ERROR_SUCCESS);
        RegCloseKey(key);
      }
    });
  for (auto& thread : threads) thread.join();
  HKEY key = CreateKey(L"Software\\Together");
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, static_cast<DWORD>(kThreads * kValues));
  RegCloseKey(key);
}

}  // namespace
