// Tavrel loaded as the device manager loads it: LoadLibraryW and the stream
// entry points by name. Each test gets a fresh instance with two helpers to
// open handles and send I/O controls.
#ifndef KELVANE_TESTS_DRIVER_TAVREL_FIXTURE_H
#define KELVANE_TESTS_DRIVER_TAVREL_FIXTURE_H

#include "support/device_fixture.h"

#include <windows.h>
#include <pegdser.h>

#include <string>

namespace kelvane::testing {

const DWORD kFailed = 0xFFFFFFFF;

struct TavrelExports {
  DWORD (*Init)(LPCTSTR, LPCVOID);
  BOOL (*Deinit)(DWORD);
  DWORD (*Open)(DWORD, DWORD, DWORD);
  BOOL (*Close)(DWORD);
  DWORD (*Read)(DWORD, LPVOID, DWORD);
  DWORD (*Write)(DWORD, LPCVOID, DWORD);
  DWORD (*Seek)(DWORD, long, WORD);
  BOOL (*IOControl)(DWORD, DWORD, PBYTE, DWORD, PBYTE, DWORD, PDWORD);
};

class TavrelTest : public DeviceTest {
 protected:
  // Device time runs 20 times faster, so time-outs cost little host time.
  void SetUp() override;
  void TearDown() override;

  DWORD OpenPort();
  BOOL Ioctl(DWORD open, DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned);
  BOOL SetTimeouts(DWORD open, DWORD interval, DWORD multiplier, DWORD constant, DWORD write_multiplier = 0,
                   DWORD write_constant = 0);
  // Reads until `count` bytes came or a read returned nothing or failed.
  std::string ReadAll(DWORD open, DWORD count);
  // Deinitialises the instance now rather than at the end of the test.
  void Deinit();

  TavrelExports com{};
  DWORD device = 0;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace kelvane::testing

#endif
