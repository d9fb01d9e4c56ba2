// Loading device modules: search order, ordinals, entry points and the
// profile's missing modules and exports.
#include "support/device_fixture.h"

#include <windows.h>

#include <filesystem>

namespace {

using kelvane::testing::DeviceTest;
class ModuleTest : public DeviceTest {};

typedef int (*AnswerFn)();
typedef int (*TwiceFn)(int);

TEST_F(ModuleTest, ExportsByNameAndByOrdinal) {
  HMODULE module = LoadLibraryW(L"testmod.dll");
  ASSERT_NE(module, nullptr) << GetLastError();
  auto answer = reinterpret_cast<AnswerFn>(GetProcAddressW(module, L"Answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  auto twice = reinterpret_cast<TwiceFn>(GetProcAddressW(module, MAKEINTRESOURCEW(7)));
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice(21), 42);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddressW(module, MAKEINTRESOURCEW(3)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddressW(module, L"Nothing"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleTest, EntryPointRunsOnceAndARefusalFailsTheLoad) {
  HMODULE first = LoadLibraryW(L"testmod.dll");
  HMODULE second = LoadLibraryW(L"TESTMOD.DLL");
  EXPECT_EQ(first, second);
  auto count = reinterpret_cast<LONG*>(GetProcAddressW(first, L"g_attach_count"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(*count, 1);
  FreeLibrary(second);
  FreeLibrary(first);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(L"refusemod.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
}

TEST_F(ModuleTest, DeviceWindowsFolderComesBeforeTheBuildOutput) {
  std::filesystem::copy_file(std::filesystem::path(KELVANE_MODULE_DIR) / "testmod.dll.so",
                             root() / "windows" / "testmod.dll.so");
  HMODULE module = LoadLibraryW(L"testmod.dll");
  ASSERT_NE(module, nullptr);
  WCHAR path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
  EXPECT_STREQ(path, L"\\windows\\testmod.dll");
  FreeLibrary(module);
}

TEST_F(ModuleTest, ProfileCanRemoveAModuleOrOneExport) {
  Json::Value profile;
  profile["missingExports"]["testmod.dll"].append("Twice");
  WriteProfile(profile);
  HMODULE module = LoadLibraryW(L"testmod.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddressW(module, L"Answer"), nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddressW(module, MAKEINTRESOURCEW(7)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  FreeLibrary(module);

  profile["missingModules"].append("testmod.dll");
  WriteProfile(profile);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(L"testmod.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleTest, ProgramPathEndsInItsFolderWithABackslash) {
  WCHAR path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_STREQ(path, L"\\Program Files\\Kelvane\\Quorvane.exe");
  WCHAR small[8];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 7u);
  EXPECT_EQ(std::wstring(small), L"\\Progra");
}

}  // namespace
