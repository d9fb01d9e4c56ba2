// Stream driver instances and the handles opened on them.
#include "devmgr/stream_device.h"

#include "internal/last_error.h"

#include <pkfuncs.h>

#include <vector>

namespace kelvane {
namespace {

const DWORD kDriverFailed = 0xFFFFFFFF;

// A handle on a stream driver's name: every file call goes to the driver.
class StreamHandle : public KernelObject {
 public:
  StreamHandle(std::shared_ptr<StreamDevice> device, DWORD open) : device_(std::move(device)), open_(open) {}

  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    const DWORD n = device_->Read(open_, buffer, count);
    if (n == kDriverFailed) return FALSE;
    *done = n;
    return TRUE;
  }
  BOOL Write(const void* buffer, DWORD count, DWORD* done) override {
    const DWORD n = device_->Write(open_, buffer, count);
    if (n == kDriverFailed) return FALSE;
    *done = n;
    return TRUE;
  }
  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override {
    return device_->IoControl(open_, code, static_cast<PBYTE>(in), in_size, static_cast<PBYTE>(out), out_size,
                              returned);
  }
  DWORD Seek(LONG distance, LONG*, DWORD method) override {
    return device_->Seek(open_, distance, static_cast<WORD>(method));
  }
  void OnLastHandleClosed() override { device_->Close(open_); }

 private:
  const std::shared_ptr<StreamDevice> device_;
  const DWORD open_;
};

template <class F>
F Entry(HMODULE module, const std::wstring& prefix, const wchar_t* name) {
  return reinterpret_cast<F>(GetProcAddressW(module, (prefix + L"_" + name).c_str()));
}

}  // namespace

std::shared_ptr<StreamDevice> StreamDevice::Load(const std::wstring& dll, const std::wstring& prefix,
                                                 const std::wstring& key_path) {
  HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) return nullptr;  // LoadLibraryW's error stands
  std::shared_ptr<StreamDevice> device(new StreamDevice);
  device->module_ = module;
  device->init_ = Entry<InitFn>(module, prefix, L"Init");
  device->deinit_ = Entry<DeinitFn>(module, prefix, L"Deinit");
  device->open_ = Entry<OpenFn>(module, prefix, L"Open");
  device->close_ = Entry<CloseFn>(module, prefix, L"Close");
  device->read_ = Entry<ReadFn>(module, prefix, L"Read");
  device->write_ = Entry<WriteFn>(module, prefix, L"Write");
  device->seek_ = Entry<SeekFn>(module, prefix, L"Seek");
  device->io_control_ = Entry<IoControlFn>(module, prefix, L"IOControl");
  if (!device->init_ || !device->deinit_) return Fail(ERROR_PROC_NOT_FOUND, nullptr);
  SetLastError(ERROR_SUCCESS);
  device->context_ = device->init_(key_path.c_str(), nullptr);
  if (device->context_ == 0) {
    // The driver's own error, or a general one when it set none.
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  return device;
}

StreamDevice::~StreamDevice() {
  if (module_) FreeLibrary(module_);
}

KernelObjectPtr StreamDevice::Open(DWORD access, DWORD share) {
  if (!Active()) return Fail(ERROR_DEV_NOT_EXIST, KernelObjectPtr());
  if (!open_) return Fail(ERROR_NOT_SUPPORTED, KernelObjectPtr());
  SetLastError(ERROR_SUCCESS);
  const DWORD open = open_(context_, access, share);
  if (open == 0) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    open_contexts_.insert(open);
  }
  return std::make_shared<StreamHandle>(shared_from_this(), open);
}

void StreamDevice::Deinit() {
  if (deinitialised_.exchange(true) || context_ == 0) return;
  deinit_(context_);
  std::lock_guard<std::mutex> guard(lock_);
  open_contexts_.clear();
}

void StreamDevice::NotifyProcessExit() {
  std::vector<DWORD> opens;
  {
    std::lock_guard<std::mutex> guard(lock_);
    opens.assign(open_contexts_.begin(), open_contexts_.end());
  }
  DEVICE_PSL_NOTIFY notice = {sizeof(notice), DLL_PROCESS_EXITING, nullptr, nullptr};
  for (DWORD open : opens)
    IoControl(open, IOCTL_PSL_NOTIFY, reinterpret_cast<PBYTE>(&notice), sizeof(notice), nullptr, 0, nullptr);
}

DWORD StreamDevice::Read(DWORD open, LPVOID buffer, DWORD count) {
  if (!Active()) return Fail(ERROR_INVALID_HANDLE, kDriverFailed);
  if (!read_) return Fail(ERROR_NOT_SUPPORTED, kDriverFailed);
  return read_(open, buffer, count);
}

DWORD StreamDevice::Write(DWORD open, LPCVOID buffer, DWORD count) {
  if (!Active()) return Fail(ERROR_INVALID_HANDLE, kDriverFailed);
  if (!write_) return Fail(ERROR_NOT_SUPPORTED, kDriverFailed);
  return write_(open, buffer, count);
}

DWORD StreamDevice::Seek(DWORD open, long amount, WORD type) {
  if (!Active()) return Fail(ERROR_INVALID_HANDLE, kDriverFailed);
  if (!seek_) return Fail(ERROR_NOT_SUPPORTED, kDriverFailed);
  SetLastError(ERROR_SUCCESS);
  const DWORD result = seek_(open, amount, type);
  // A driver that refuses to seek need not say why.
  if (result == kDriverFailed && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_NOT_SUPPORTED);
  return result;
}

BOOL StreamDevice::IoControl(DWORD open, DWORD code, PBYTE in, DWORD in_size, PBYTE out, DWORD out_size,
                             PDWORD returned) {
  if (!Active()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!io_control_) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  return io_control_(open, code, in, in_size, out, out_size, returned);
}

void StreamDevice::Close(DWORD open) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    open_contexts_.erase(open);
  }
  if (Active() && close_) close_(open);
}

}  // namespace kelvane
