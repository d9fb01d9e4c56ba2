// A device with Tavrel instances activated the way the program activates
// them (a registry key, ActivateDevice) and ports opened through the file API.
#ifndef KELVANE_TESTS_DEVMGR_PORT_FIXTURE_H
#define KELVANE_TESTS_DEVMGR_PORT_FIXTURE_H

#include "support/device_fixture.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kelvane::testing {

class PortTest : public DeviceTest {
 protected:
  // Device time runs 20 times faster; `extra` adds profile keys.
  void SetUpDevice(const Json::Value& extra = Json::Value(Json::objectValue));
  void SetUp() override;
  void TearDown() override;

  // Writes HKEY_LOCAL_MACHINE\Drivers\KelvanePorts\n for the port COMn:
  // and returns the key's path ("" on failure).
  static std::wstring WritePortKey(DWORD index, const wchar_t* dll = L"Tavrel.dll");
  // Writes the key and activates it; the result of ActivateDevice
  // (INVALID_HANDLE_VALUE on failure).
  HANDLE Activate(DWORD index, const wchar_t* dll = L"Tavrel.dll");
  HANDLE OpenPort(const wchar_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE);
  // Bytes written, or -1 when WriteFile failed.
  long Write(HANDLE port, const std::string& bytes);
  // Up to `count` bytes in one ReadFile ("" when it failed or found nothing).
  std::string Read(HANDLE port, DWORD count);
  // Deactivates every instance this test activated.
  void TearDownActivations();
  // The test deactivated this one itself.
  void ForgetActivation(HANDLE device);
  BOOL SetTimeouts(HANDLE port, DWORD interval, DWORD multiplier, DWORD constant, DWORD write_multiplier = 0,
                   DWORD write_constant = 0);

 private:
  std::vector<HANDLE> activated_;
};

}  // namespace kelvane::testing

#endif
