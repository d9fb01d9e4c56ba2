// A file of the device's file system: a kernel object on a host file
// descriptor, opened as CreateFileW opens files.
//
// The descriptor is closed when the last reference goes (the handle table's
// or a caller's that is still inside ReadFile), so a call in flight on another
// thread never meets a closed or reused descriptor.
#ifndef KELVANE_PLATFORM_FILES_HOST_FILE_H
#define KELVANE_PLATFORM_FILES_HOST_FILE_H

#include "files/share_modes.h"
#include "internal/kernel_object.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kelvane {

class HostFile : public KernelObject {
 public:
  // Opens the file at `device_path` with CreateFileW's access, share mode and
  // creation disposition. Null with the last error set on failure; on
  // success *existed says whether the file was there before.
  static std::shared_ptr<HostFile> Open(const std::wstring& device_path, DWORD access, DWORD share,
                                        DWORD disposition, bool* existed);
  ~HostFile() override;

  BOOL Read(void* buffer, DWORD count, DWORD* done) override;
  BOOL Write(const void* buffer, DWORD count, DWORD* done) override;
  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override;
  DWORD Seek(LONG distance, LONG* distance_high, DWORD method) override;
  DWORD Size(DWORD* high) override;
  BOOL Flush() override;

  // A new host descriptor of the open file (close-on-exec), or -1 with errno
  // set; it shares the file position.
  int DuplicateDescriptor() const;

 private:
  HostFile(int fd, bool reads, bool writes, std::unique_ptr<ShareClaim> claim)
      : fd_(fd), reads_(reads), writes_(writes), claim_(std::move(claim)) {}

  const int fd_;
  const bool reads_;
  const bool writes_;
  const std::unique_ptr<ShareClaim> claim_;
};

// Checks a device path for names the device's file system refuses and maps
// it to its host path; 0 on success, else the platform error.
DWORD HostPathOfFile(const std::wstring& device_path, std::filesystem::path* host);

// The error for a host path that does not exist: ERROR_PATH_NOT_FOUND when
// its folder is missing too, else ERROR_FILE_NOT_FOUND.
DWORD NotFoundError(const std::filesystem::path& host);

}  // namespace kelvane

#endif
