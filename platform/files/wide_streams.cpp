// The runtime's wide-path streams.
//
// _wfopen opens the file as CreateFileW does (the device runtime opens with
// both kinds of sharing) and hands back a host stream on a descriptor of that
// file, so that every host stream function works on it, wide ones included.
// Text streams opened only for reading read "\r\n" as "\n", so files made on
// the device read as there; writes keep "\n" as the host's line end.
//
// The stream holds no place in the share-mode table once opened: an open that
// shares nothing refuses a new stream, but an open stream refuses no later
// open, and the file can be deleted under it.
#include <stdio.h>

#include "files/host_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

using kelvane::HostFile;

struct OpenMode {
  DWORD access;
  DWORD disposition;
  bool translate;     // a text stream only for reading
  char host_mode[3];  // "r", "w" or "a", with "+"
};

int ErrnoFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    default: return EIO;
  }
}

// "r", "w" or "a", then any of "+", "b" (binary) and "t" (text, the default).
bool ParseMode(const wchar_t* mode, OpenMode* out) {
  *out = OpenMode{};
  switch (mode[0]) {
    case L'r': out->access = GENERIC_READ, out->disposition = OPEN_EXISTING; break;
    case L'w': out->access = GENERIC_WRITE, out->disposition = CREATE_ALWAYS; break;
    case L'a': out->access = GENERIC_WRITE, out->disposition = OPEN_ALWAYS; break;
    default: return false;
  }
  bool plus = false, binary = false, text = false;
  for (const wchar_t* c = mode + 1; *c; ++c) {
    bool* flag = *c == L'+' ? &plus : *c == L'b' ? &binary : *c == L't' ? &text : nullptr;
    if (!flag || *flag) return false;
    *flag = true;
  }
  if (binary && text) return false;
  if (plus) out->access = GENERIC_READ | GENERIC_WRITE;
  out->translate = mode[0] == L'r' && !plus && !binary;
  out->host_mode[0] = static_cast<char>(mode[0]);
  out->host_mode[1] = plus ? '+' : '\0';
  return true;
}

// A descriptor of an unnamed in-memory file holding the file's bytes with
// each "\r\n" read as "\n"; -1 with errno set on failure.
int TranslatedCopy(HostFile& file) {
  std::string text;
  char chunk[4096];
  for (DWORD got = 0;; text.append(chunk, got)) {
    if (!file.Read(chunk, sizeof chunk, &got)) {
      errno = ErrnoFromError(GetLastError());
      return -1;
    }
    if (got == 0) break;
  }
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') lines += text[i];

  const int fd = memfd_create("kelvane-text", MFD_CLOEXEC);
  if (fd < 0) return -1;
  size_t done = 0;
  while (done < lines.size()) {
    const ssize_t n = write(fd, lines.data() + done, lines.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    done += static_cast<size_t>(n);
  }
  if (done < lines.size() || lseek(fd, 0, SEEK_SET) != 0) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

}  // namespace

// ---- _wfopen ----
extern "C" FILE* _wfopen(const wchar_t* filename, const wchar_t* mode) {
  OpenMode parsed;
  if (!filename || !mode || !ParseMode(mode, &parsed)) {
    errno = EINVAL;
    return nullptr;
  }
  bool existed = false;
  std::shared_ptr<HostFile> file = HostFile::Open(filename, parsed.access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  parsed.disposition, &existed);
  if (!file) {
    errno = ErrnoFromError(GetLastError());
    return nullptr;
  }
  const int fd = parsed.translate ? TranslatedCopy(*file) : file->DuplicateDescriptor();
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, parsed.host_mode);
  if (!stream) {
    const int saved = errno;
    close(fd);
    errno = saved;
  }
  return stream;
}
