#include "driver/tavrel_fixture.h"

#include <algorithm>
#include <string>

namespace kelvane::testing {

namespace {
template <class F>
void Resolve(HMODULE module, const wchar_t* name, F* slot) {
  *slot = reinterpret_cast<F>(GetProcAddressW(module, name));
  ASSERT_NE(*slot, nullptr) << "missing export";
}
}  // namespace

void TavrelTest::SetUp() {
  DeviceTest::SetUp();
  Json::Value profile;
  profile["timeScale"] = 20;
  WriteProfile(profile);
  module_ = LoadLibraryW(L"Tavrel.dll");
  ASSERT_NE(module_, nullptr) << GetLastError();
  Resolve(module_, L"COM_Init", &com.Init);
  Resolve(module_, L"COM_Deinit", &com.Deinit);
  Resolve(module_, L"COM_Open", &com.Open);
  Resolve(module_, L"COM_Close", &com.Close);
  Resolve(module_, L"COM_Read", &com.Read);
  Resolve(module_, L"COM_Write", &com.Write);
  Resolve(module_, L"COM_Seek", &com.Seek);
  Resolve(module_, L"COM_IOControl", &com.IOControl);
  device = com.Init(L"Drivers\\Active\\42", nullptr);
  ASSERT_NE(device, 0u);
}

void TavrelTest::TearDown() {
  Deinit();
  if (module_) FreeLibrary(module_);
  DeviceTest::TearDown();
}

void TavrelTest::Deinit() {
  if (device) {
    EXPECT_TRUE(com.Deinit(device));
  }
  device = 0;
}

DWORD TavrelTest::OpenPort() { return com.Open(device, 0, 0); }  // access and sharing are ignored

BOOL TavrelTest::Ioctl(DWORD open, DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) {
  return com.IOControl(open, code, static_cast<PBYTE>(in), in_size, static_cast<PBYTE>(out), out_size, returned);
}

BOOL TavrelTest::SetTimeouts(DWORD open, DWORD interval, DWORD multiplier, DWORD constant, DWORD write_multiplier,
                             DWORD write_constant) {
  COMMTIMEOUTS t = {interval, multiplier, constant, write_multiplier, write_constant};
  return Ioctl(open, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t), nullptr, 0, nullptr);
}

std::string TavrelTest::ReadAll(DWORD open, DWORD count) {
  std::string out;
  char chunk[4096];
  while (out.size() < count) {
    const DWORD want = std::min<DWORD>(sizeof(chunk), count - static_cast<DWORD>(out.size()));
    const DWORD n = com.Read(open, chunk, want);
    if (n == 0 || n == kFailed) break;
    out.append(chunk, n);
  }
  return out;
}

}  // namespace kelvane::testing
