// String resources, the user-interface language and the device's texts.
#include "support/device_fixture.h"

#include <windows.h>

#include "kelvane_module.h"

#include <string>

// The test program's own string table, as the program exports its own.
KELVANE_STRING_TABLE({105, L"Menu"}, {133, L"Loading..."}, {200, L""})

namespace {

using kelvane::testing::DeviceTest;
class ResourceTest : public DeviceTest {};

TEST_F(ResourceTest, LoadStringCopiesTruncatesAndTerminates) {
  const struct {
    int capacity;
    int expected_length;
    const WCHAR* expected;
  } cases[] = {{128, 10, L"Loading..."}, {11, 10, L"Loading..."}, {10, 9, L"Loading.."}, {2, 1, L"L"}, {1, 0, L""}};
  for (const auto& c : cases) {
    WCHAR buffer[129];
    wmemset(buffer, L'#', 129);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadStringW(nullptr, 133, buffer, c.capacity), c.expected_length) << c.capacity;
    EXPECT_STREQ(buffer, c.expected) << c.capacity;
    EXPECT_EQ(buffer[c.capacity], L'#') << "nothing written past the buffer of " << c.capacity;
  }
  // The program's module handle means the same table.
  WCHAR buffer[16];
  EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), 105, buffer, 16), 4);
  EXPECT_STREQ(buffer, L"Menu");
}

TEST_F(ResourceTest, LoadStringWithoutBufferSizeGivesAPointerToTheString) {
  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(nullptr, 133, reinterpret_cast<LPWSTR>(&text), 0), 10);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::wstring(text, 10), L"Loading...");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadStringW(nullptr, 133, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ResourceTest, MissingStringsFailWithTheResourceErrors) {
  HMODULE bare = LoadLibraryW(L"wintest_nostrings.dll");
  ASSERT_NE(bare, nullptr);
  const struct {
    const char* what;
    HINSTANCE module;
    UINT id;
    DWORD error;
  } cases[] = {{"unknown id", nullptr, 134, ERROR_RESOURCE_NAME_NOT_FOUND},
               {"empty text", nullptr, 200, ERROR_RESOURCE_NAME_NOT_FOUND},
               {"module without strings", bare, 105, ERROR_RESOURCE_TYPE_NOT_FOUND},
               {"no module", reinterpret_cast<HINSTANCE>(0x3330), 105, ERROR_INVALID_HANDLE}};
  for (const auto& c : cases) {
    WCHAR buffer[8] = L"keep";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadStringW(c.module, c.id, buffer, 8), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  FreeLibrary(bare);
}

TEST_F(ResourceTest, LoadStringReadsATranslationModule) {
  HMODULE translation = LoadLibraryW(L"wintest_translation.dll");
  ASSERT_NE(translation, nullptr) << GetLastError();
  WCHAR buffer[32];
  EXPECT_EQ(LoadStringW(translation, 105, buffer, 32), 4);
  EXPECT_STREQ(buffer, L"Men\u00fc");
  EXPECT_EQ(LoadStringW(translation, 106, buffer, 32), 7);
  EXPECT_STREQ(buffer, L"Beenden");
  // Only the module's own table counts, not the program's.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadStringW(translation, 133, buffer, 32), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  FreeLibrary(translation);
}

TEST_F(ResourceTest, UserInterfaceLanguageComesFromTheProfile) {
  EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
  Json::Value profile;
  profile["language"] = 0x0407;
  WriteProfile(profile);
  EXPECT_EQ(GetUserDefaultUILanguage(), 0x0407);
}

TEST_F(ResourceTest, OemInfoFitsTheBufferByteSizeOrFails) {
  Json::Value profile;
  profile["oemInfo"] = "Kelvane Phone";  // 13 characters
  WriteProfile(profile);
  const UINT exact = 14 * sizeof(WCHAR);
  const struct {
    const char* what;
    UINT action;
    UINT size;
    bool with_buffer;
    BOOL result;
    DWORD error;
  } cases[] = {{"exact size", SPI_GETOEMINFO, exact, true, TRUE, 0xdeadbeef},
               {"no room for the terminator", SPI_GETOEMINFO, exact - 1, true, FALSE, ERROR_INSUFFICIENT_BUFFER},
               {"no buffer", SPI_GETOEMINFO, exact, false, FALSE, ERROR_INVALID_PARAMETER},
               {"unknown action", 9999, exact, true, FALSE, ERROR_INVALID_PARAMETER}};
  for (const auto& c : cases) {
    WCHAR buffer[128];
    wmemset(buffer, L'#', 128);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SystemParametersInfoW(c.action, c.size, c.with_buffer ? buffer : nullptr, 0), c.result) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    if (c.result) {
      EXPECT_STREQ(buffer, L"Kelvane Phone");
    } else if (c.with_buffer) {
      EXPECT_EQ(buffer[0], L'#') << c.what << ": nothing copied";
    }
  }
  WCHAR platform[32];
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof platform, platform, 0));
  EXPECT_STREQ(platform, L"PocketPC");
}

}  // namespace
