// Registry keys: creation, opening, deletion, enumeration and handle misuse,
// checked against the platform's documented results.
#include "registry/registry_values.h"
#include "support/device_fixture.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

using kelvane::testing::CreateKey;
using kelvane::testing::DeviceTest;
using kelvane::testing::QueryString;
using kelvane::testing::SetString;

class RegistryKeyTest : public DeviceTest {};

TEST_F(RegistryKeyTest, CreateReportsTheDispositionAndOpenIgnoresCase) {
  DWORD disposition = 0;
  HKEY created = CreateKey(L"Drivers\\KelvanePorts\\5", &disposition);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  ASSERT_EQ(SetString(created, L"Dll", L"Tavrel.dll"), ERROR_SUCCESS);
  HKEY again = CreateKey(L"DRIVERS\\kelvaneports\\5", &disposition);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(QueryString(again, L"DLL"), L"Tavrel.dll");

  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"drivers\\KELVANEPORTS", 0, KEY_READ, &opened), ERROR_SUCCESS);
  HKEY child = nullptr;
  ASSERT_EQ(RegOpenKeyExW(opened, L"5", 0, 0, &child), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(child, L"dll"), L"Tavrel.dll");
  // A null or empty subkey opens the key itself again.
  HKEY same = nullptr;
  ASSERT_EQ(RegOpenKeyExW(child, nullptr, 0, 0, &same), ERROR_SUCCESS);
  EXPECT_NE(same, child);
  EXPECT_EQ(QueryString(same, L"Dll"), L"Tavrel.dll");
  for (HKEY key : {created, again, opened, child, same}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeyTest, OpenAndCreateFailuresAnswerTheirErrors) {
  HKEY key = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\Missing", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Drivers", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  const std::wstring too_long(256, L'k');
  key = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, too_long.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Bad\nName", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  // Nothing of a refused path was made.
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Bad", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  const std::wstring longest(255, L'k');
  key = CreateKey(longest.c_str());
  EXPECT_NE(key, nullptr);
  RegCloseKey(key);
}

TEST_F(RegistryKeyTest, DeleteKeyRemovesTheWholeTreeAndOpenKeysAnswerKeyDeleted) {
  HKEY deep = CreateKey(L"System\\Tree\\Branch\\Leaf");
  ASSERT_NE(deep, nullptr);
  ASSERT_EQ(SetString(deep, L"Value", L"x"), ERROR_SUCCESS);
  HKEY branch = CreateKey(L"System\\Tree\\Branch");
  HKEY sibling = CreateKey(L"System\\TreeSibling");

  // The device deletes a key with everything below it.
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"system\\TREE"), ERROR_SUCCESS);
  HKEY probe = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\Tree", 0, 0, &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\TreeSibling", 0, 0, &probe), ERROR_SUCCESS);
  RegCloseKey(probe);

  for (HKEY gone : {deep, branch}) {
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(gone, L"Value", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetString(gone, L"Value", L"y"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExW(gone, L"Sub", 0, nullptr, 0, 0, nullptr, &probe, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExW(gone, nullptr, 0, 0, &probe), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(gone), ERROR_SUCCESS);
  }
  // A key made again under the same name is a new key; the old handle stays deleted.
  HKEY remade = CreateKey(L"System\\Tree\\Branch");
  ASSERT_NE(remade, nullptr);
  EXPECT_EQ(RegCloseKey(remade), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(sibling), ERROR_SUCCESS);
}

TEST_F(RegistryKeyTest, DeleteKeyRefusesRootsAndMissingKeys) {
  HKEY key = CreateKey(L"Software\\Kelvane");
  struct Case {
    HKEY parent;
    const wchar_t* sub_key;
    LONG error;
  };
  const Case cases[] = {{HKEY_LOCAL_MACHINE, L"Software\\Missing", ERROR_FILE_NOT_FOUND},
                        {HKEY_LOCAL_MACHINE, nullptr, ERROR_INVALID_PARAMETER},
                        {HKEY_LOCAL_MACHINE, L"", ERROR_ACCESS_DENIED},
                        {HKEY_CURRENT_USER, L"Software", ERROR_FILE_NOT_FOUND}};
  for (const Case& c : cases)
    EXPECT_EQ(RegDeleteKeyW(c.parent, c.sub_key), c.error) << (c.sub_key ? c.sub_key : L"(null)");
  // An empty name deletes the open key itself.
  EXPECT_EQ(RegDeleteKeyW(key, L""), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(key, L""), ERROR_KEY_DELETED);
  RegCloseKey(key);
}

TEST_F(RegistryKeyTest, EnumerationRunsInThePlatformsOrderAndEndsWithNoMoreItems) {
  HKEY key = CreateKey(L"Software\\Order");
  for (const wchar_t* name : {L"beta", L"_under", L"Alpha", L"gamma"})
    RegCloseKey(CreateKey((std::wstring(L"Software\\Order\\") + name).c_str()));
  for (const wchar_t* name : {L"zulu", L"alpha", L"mike"}) SetString(key, name, name);

  // Subkeys compare upper-case, so '_' sorts after the letters; values come
  // in the order they were first set.
  const std::vector<std::wstring> subkeys = {L"Alpha", L"beta", L"gamma", L"_under"};
  const std::vector<std::wstring> values = {L"zulu", L"alpha", L"mike"};
  for (DWORD i = 0; i <= subkeys.size(); ++i) {
    WCHAR name[MAX_PATH];
    DWORD length = MAX_PATH;
    const LONG error = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (i == subkeys.size()) {
      EXPECT_EQ(error, ERROR_NO_MORE_ITEMS);
    } else {
      ASSERT_EQ(error, ERROR_SUCCESS);
      EXPECT_EQ(std::wstring(name), subkeys[i]);
      EXPECT_EQ(length, subkeys[i].size());
    }
  }
  for (DWORD i = 0; i <= values.size(); ++i) {
    WCHAR name[MAX_PATH];
    DWORD length = MAX_PATH;
    const LONG error = RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (i == values.size()) {
      EXPECT_EQ(error, ERROR_NO_MORE_ITEMS);
    } else {
      ASSERT_EQ(error, ERROR_SUCCESS);
      EXPECT_EQ(std::wstring(name), values[i]);
    }
  }
  // Setting an existing value again keeps its place.
  SetString(key, L"ZULU", L"again");
  WCHAR first[MAX_PATH];
  DWORD length = MAX_PATH;
  ASSERT_EQ(RegEnumValueW(key, 0, first, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(first, L"zulu");
  RegCloseKey(key);
}

TEST_F(RegistryKeyTest, EnumerationNameBuffersMustHoldTheTerminator) {
  HKEY key = CreateKey(L"Software\\Names");
  RegCloseKey(CreateKey(L"Software\\Names\\Four"));
  SetString(key, L"Five5", L"data");
  WCHAR name[8] = L"unset";
  DWORD length = 4;  // "Four" needs 5 with its terminator
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 4u);
  EXPECT_STREQ(name, L"unset");
  length = 5;
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"Four");
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(RegEnumKeyExW(key, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);

  // A value name that does not fit still answers the type and the data's size.
  DWORD type = 0, size = 0;
  length = 5;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, nullptr, &size), ERROR_MORE_DATA);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 5 * sizeof(WCHAR));
  // A name that fits with data that does not: the name comes back, the data does not.
  BYTE data[8];
  length = 6;
  size = sizeof data;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_STREQ(name, L"Five5");
  EXPECT_EQ(size, 5 * sizeof(WCHAR));
  RegCloseKey(key);
}

TEST_F(RegistryKeyTest, QueryInfoKeyCountsAndLongestLengths) {
  HKEY key = CreateKey(L"Software\\Info");
  RegCloseKey(CreateKey(L"Software\\Info\\Short"));
  RegCloseKey(CreateKey(L"Software\\Info\\MuchLongerName"));
  SetString(key, L"Name", L"a fairly long text");
  kelvane::testing::SetDword(key, L"LongestValueName", 7);
  DWORD subkeys = 0, longest_subkey = 0, longest_class = 9, values = 0, longest_name = 0, longest_data = 0;
  FILETIME written = {1, 1};
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, &longest_class, &values,
                             &longest_name, &longest_data, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(longest_subkey, 14u);  // characters, no terminator
  EXPECT_EQ(longest_class, 0u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(longest_name, 16u);
  EXPECT_EQ(longest_data, 19 * sizeof(WCHAR));  // bytes, terminator included
  RegCloseKey(key);
}

TEST_F(RegistryKeyTest, InvalidAndClosedHandlesAreRefused) {
  HKEY closed = CreateKey(L"Software\\Closed");
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HKEY bad_keys[] = {nullptr, closed, reinterpret_cast<HKEY>(event), reinterpret_cast<HKEY>(0x80000004u),
                           reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)};
  for (HKEY bad : bad_keys) {
    SCOPED_TRACE(testing::Message() << "key " << bad);
    HKEY out = nullptr;
    DWORD size = 0, count = 0;
    WCHAR name[8];
    DWORD length = 8;
    EXPECT_EQ(RegOpenKeyExW(bad, L"x", 0, 0, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExW(bad, L"x", 0, nullptr, 0, 0, nullptr, &out, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetString(bad, L"x", L"y"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(bad, L"x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueW(bad, L"x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyW(bad, L"x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyExW(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValueW(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryInfoKeyW(bad, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(bad), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
  }
  // A key is no kernel handle, and the predefined keys need no closing.
  HKEY key = CreateKey(L"Software\\Open");
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(key)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  CloseHandle(event);
}

TEST_F(RegistryKeyTest, RootsAreSeparateTrees) {
  HKEY user = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kelvane", 0, nullptr, 0, 0, nullptr, &user, nullptr),
            ERROR_SUCCESS);
  SetString(user, L"Where", L"user");
  HKEY machine = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Kelvane", 0, 0, &machine), ERROR_FILE_NOT_FOUND);
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\kelvane", 0, 0, &again), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(again, L"Where"), L"user");
  RegCloseKey(again);
  RegCloseKey(user);
}

}  // namespace
