// A file driver's file, read through its device path.
#include "gpsid/driver_file.h"

#include "files/host_file.h"
#include "internal/device_root.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvane {
namespace {

// Up to kDriverFileLimit + 1 bytes, so that a longer file shows; "" for a
// file that cannot be read (a missing file is the usual case: no fix).
std::string ReadBounded(const std::filesystem::path& host, std::string* problem) {
  // Not blocking: the name may lead to a pipe or a terminal, which is refused below.
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return "";
  std::string text;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *problem = "is not a regular file";
  } else {
    text.resize(kDriverFileLimit + 1);
    size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = read(fd, &text[got], text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    text.resize(got);
  }
  close(fd);
  return text;
}

}  // namespace

DriverFileReading ReadDriverFile(const std::wstring& device_path) {
  DriverFileReading reading;
  std::filesystem::path host;
  std::string text;
  if (HostPathOfFile(device_path, &host) != ERROR_SUCCESS)
    reading.problem = "is not a valid device path";
  else
    text = ReadBounded(host, &reading.problem);
  if (text.size() > kDriverFileLimit) {
    reading.problem = "is larger than " + std::to_string(kDriverFileLimit) + " bytes; only its first " +
                      std::to_string(kDriverFileLimit) + " bytes are read";
    // The line the bound cuts is incomplete: leave it out.
    const size_t last_end = text.rfind('\n', kDriverFileLimit - 1);
    text.resize(last_end == std::string::npos ? 0 : last_end + 1);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    if (stop > start) reading.lines.push_back(text.substr(start, stop - start) + "\r\n");
    start = end + 1;
  }
  return reading;
}

}  // namespace kelvane
