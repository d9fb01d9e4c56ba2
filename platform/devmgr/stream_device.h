// One activated instance of a stream-interface driver: its library, its
// PREFIX_ entry points and the device context its Init returned.
//
// File calls on a handle opened on the instance's name go to the driver's
// Open, Read, Write, Seek, IOControl and Close. The library stays loaded
// while the instance or any handle on it is alive, so a call still inside
// the driver when the instance is deactivated returns into loaded code. After
// Deinit no new call reaches the driver; a call already on its way may, so a
// driver must check its contexts (Tavrel does).
#ifndef KELVANE_PLATFORM_DEVMGR_STREAM_DEVICE_H
#define KELVANE_PLATFORM_DEVMGR_STREAM_DEVICE_H

#include "devmgr/named_device.h"

#include <atomic>
#include <mutex>
#include <set>

namespace kelvane {

class StreamDevice : public NamedDevice, public std::enable_shared_from_this<StreamDevice> {
 public:
  typedef DWORD (*InitFn)(LPCWSTR, LPCVOID);
  typedef BOOL (*DeinitFn)(DWORD);
  typedef DWORD (*OpenFn)(DWORD, DWORD, DWORD);
  typedef BOOL (*CloseFn)(DWORD);
  typedef DWORD (*ReadFn)(DWORD, LPVOID, DWORD);
  typedef DWORD (*WriteFn)(DWORD, LPCVOID, DWORD);
  typedef DWORD (*SeekFn)(DWORD, long, WORD);
  typedef BOOL (*IoControlFn)(DWORD, DWORD, PBYTE, DWORD, PBYTE, DWORD, PDWORD);

  // Loads the library, finds PREFIX_Init and PREFIX_Deinit (the rest are
  // optional) and calls Init with the key path. Null with the last error set
  // when the library does not load or Init fails.
  static std::shared_ptr<StreamDevice> Load(const std::wstring& dll, const std::wstring& prefix,
                                            const std::wstring& key_path);
  ~StreamDevice() override;

  KernelObjectPtr Open(DWORD access, DWORD share) override;
  // Calls the driver's Deinit once; handles still open fail from then on.
  void Deinit();
  // Tells the driver that the process ends, for every handle still open.
  void NotifyProcessExit();

  // The entry points, for the handles; each fails with ERROR_INVALID_HANDLE
  // once the instance is deinitialised, or ERROR_NOT_SUPPORTED when the
  // driver lacks it.
  DWORD Read(DWORD open, LPVOID buffer, DWORD count);
  DWORD Write(DWORD open, LPCVOID buffer, DWORD count);
  DWORD Seek(DWORD open, long amount, WORD type);
  BOOL IoControl(DWORD open, DWORD code, PBYTE in, DWORD in_size, PBYTE out, DWORD out_size, PDWORD returned);
  void Close(DWORD open);

 private:
  StreamDevice() = default;
  bool Active() const { return context_ != 0 && !deinitialised_; }

  HMODULE module_ = nullptr;
  InitFn init_ = nullptr;
  DeinitFn deinit_ = nullptr;
  OpenFn open_ = nullptr;
  CloseFn close_ = nullptr;
  ReadFn read_ = nullptr;
  WriteFn write_ = nullptr;
  SeekFn seek_ = nullptr;
  IoControlFn io_control_ = nullptr;
  DWORD context_ = 0;
  std::atomic<bool> deinitialised_{false};
  std::mutex lock_;           // guards open_contexts_
  std::set<DWORD> open_contexts_;
};

}  // namespace kelvane

#endif
