// Files of the device's file system on host file descriptors.
#include "files/host_file.h"

#include "internal/device_root.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kelvane {
namespace {

// Characters no file name on the device may hold.
bool IsInvalidNameCharacter(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

// The profile's unreadableFiles: device paths whose opens for reading are
// refused as a file whose permissions deny it (which the host's root, who
// runs the tests, would otherwise ignore). Compared without regard to case.
bool ProfileRefusesRead(const std::wstring& device_path) {
  for (const std::string& path : ReadTexts(MemberOf(Profile(), "unreadableFiles"), "unreadableFiles"))
    if (SameTextIgnoringCase(Widen(path), device_path)) return true;
  return false;
}

}  // namespace

DWORD HostPathOfFile(const std::wstring& device_path, std::filesystem::path* host) {
  if (device_path.empty()) return ERROR_PATH_NOT_FOUND;
  std::wstring path = device_path;
  // The device takes '/' as a separator too; treating it as one here also
  // keeps a name from carrying a host separator past the checks below.
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    // There are no parent references on the device; one must not climb out of the root.
    if (part == L"..") return ERROR_INVALID_NAME;
    for (wchar_t c : part)
      if (IsInvalidNameCharacter(c)) return ERROR_INVALID_NAME;
    start = end + 1;
  }
  *host = HostPath(path);
  return ERROR_SUCCESS;
}

DWORD NotFoundError(const std::filesystem::path& host) {
  std::error_code ec;
  return std::filesystem::is_directory(host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

std::shared_ptr<HostFile> HostFile::Open(const std::wstring& device_path, DWORD access, DWORD share,
                                         DWORD disposition, bool* existed) {
  using Result = std::shared_ptr<HostFile>;
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER, Result());
  const bool reads = access & (GENERIC_READ | GENERIC_ALL);
  const bool writes = access & (GENERIC_WRITE | GENERIC_ALL);
  std::filesystem::path host;
  if (DWORD error = HostPathOfFile(device_path, &host)) return Fail(error, Result());
  if (reads && ProfileRefusesRead(device_path)) return Fail(ERROR_ACCESS_DENIED, Result());

  const int mode = (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NOCTTY;
  int fd = -1;
  bool created = false;
  if (disposition == CREATE_NEW) {
    fd = open(host.c_str(), mode | O_CREAT | O_EXCL, 0666);
    created = fd >= 0;
  } else {
    const bool may_create = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    // Open first, create only when missing: the platform reports whether the
    // file was there, and a racing creator makes the exclusive create fail
    // and the open run again.
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
      fd = open(host.c_str(), mode);
      if (fd >= 0 || errno != ENOENT || !may_create) break;
      fd = open(host.c_str(), mode | O_CREAT | O_EXCL, 0666);
      created = fd >= 0;
      if (fd < 0 && errno != EEXIST) break;
    }
  }
  if (fd < 0) {
    const int host_errno = errno;
    if (host_errno == ENOENT) return Fail(NotFoundError(host), Result());
    if (host_errno == EEXIST) return Fail(ERROR_FILE_EXISTS, Result());
    if (host_errno == EISDIR) return Fail(ERROR_ACCESS_DENIED, Result());
    return FailFromErrno(host_errno, Result());
  }

  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int host_errno = errno;
    close(fd);
    return FailFromErrno(host_errno, Result());
  }
  // Folders are not files to the device: opening one is refused.
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    return Fail(ERROR_ACCESS_DENIED, Result());
  }
  std::unique_ptr<ShareClaim> claim = ShareClaim::Acquire({st.st_dev, st.st_ino}, reads, writes, share);
  if (!claim) {
    close(fd);
    return Fail(ERROR_SHARING_VIOLATION, Result());
  }
  // Truncation waits for the share check, so an open that is refused leaves
  // the file of the open in place untouched.
  const bool truncate_it = !created && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
  if (truncate_it && (writes ? ftruncate(fd, 0) : truncate(host.c_str(), 0)) != 0) {
    const int host_errno = errno;
    close(fd);
    return FailFromErrno(host_errno, Result());
  }
  *existed = !created;
  return Result(new HostFile(fd, reads, writes, std::move(claim)));
}

HostFile::~HostFile() { close(fd_); }

int HostFile::DuplicateDescriptor() const { return fcntl(fd_, F_DUPFD_CLOEXEC, 0); }

BOOL HostFile::Read(void* buffer, DWORD count, DWORD* done) {
  *done = 0;
  if (!reads_) return Fail(ERROR_ACCESS_DENIED, FALSE);
  auto* bytes = static_cast<char*>(buffer);
  while (*done < count) {
    const ssize_t n = read(fd_, bytes + *done, count - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailFromErrno(errno, FALSE);
    if (n == 0) break;  // end of file: success with what was read
    *done += static_cast<DWORD>(n);
  }
  return TRUE;
}

BOOL HostFile::Write(const void* buffer, DWORD count, DWORD* done) {
  *done = 0;
  if (!writes_) return Fail(ERROR_ACCESS_DENIED, FALSE);
  const auto* bytes = static_cast<const char*>(buffer);
  while (*done < count) {
    const ssize_t n = write(fd_, bytes + *done, count - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailFromErrno(errno, FALSE);
    *done += static_cast<DWORD>(n);
  }
  return TRUE;
}

// The device's file systems answer control codes they do not know with
// ERROR_NOT_SUPPORTED; a plain file knows none.
BOOL HostFile::IoControl(DWORD, void*, DWORD, void*, DWORD, DWORD*) { return Fail(ERROR_NOT_SUPPORTED, FALSE); }

DWORD HostFile::Seek(LONG distance, LONG* distance_high, DWORD method) {
  const int64_t move = distance_high ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distance_high)) << 32) |
                                                           static_cast<uint32_t>(distance))
                                     : static_cast<int64_t>(distance);
  int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(fd_, 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat st;
    base = fstat(fd_, &st) == 0 ? st.st_size : -1;
  } else if (method != FILE_BEGIN) {
    return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  }
  if (base < 0) return FailFromErrno(errno, INVALID_SET_FILE_POINTER);
  const int64_t target = base + move;
  // The position stays where it was after a refused move.
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
  if (!distance_high && target > static_cast<int64_t>(MAXDWORD))
    return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  if (lseek(fd_, target, SEEK_SET) < 0) return FailFromErrno(errno, INVALID_SET_FILE_POINTER);
  if (distance_high) *distance_high = static_cast<LONG>(target >> 32);
  const DWORD low = static_cast<DWORD>(target);
  // A position whose low part looks like the failure value: callers tell
  // the two apart by the last error.
  if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
  return low;
}

DWORD HostFile::Size(DWORD* high) {
  struct stat st;
  if (fstat(fd_, &st) != 0) return FailFromErrno(errno, INVALID_FILE_SIZE);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  const DWORD low = static_cast<DWORD>(size);
  if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return low;
}

BOOL HostFile::Flush() {
  if (!writes_) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (fsync(fd_) != 0) return FailFromErrno(errno, FALSE);
  return TRUE;
}

}  // namespace kelvane
