// The persistent hive: flock around every access, a generation count in the
// lock file, and atomic replacement of the hive file.
#include "registry/hive_store.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"
#include "registry/hive_format.h"
#include "registry/hive_seed.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelvane {
namespace {

// What identifies one version of the hive file: each save makes a new file.
struct FileStamp {
  bool exists = false;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && inode == o.inode && size == o.size && modified_ns == o.modified_ns;
  }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

struct StoreState {
  std::mutex lock;
  bool root_known = false;
  std::filesystem::path root;
  int lock_fd = -1;
  std::unique_ptr<Hive> hive;
  // The hive in memory is the file of this generation and stamp.
  bool current = false;
  uint64_t generation = 0;
  FileStamp stamp;
};

StoreState& State() {
  static StoreState* state = new StoreState;  // outlives static destructors
  return *state;
}

std::filesystem::path HivePath(const StoreState& s) { return s.root / "registry"; }

FileStamp StampOf(const std::filesystem::path& path) {
  FileStamp stamp;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

// The lock file holds the generation as decimal text of fixed width.
constexpr size_t kGenerationWidth = 20;

uint64_t ReadGeneration(int fd) {
  if (fd < 0) return 0;
  char text[kGenerationWidth + 1] = {};
  const ssize_t n = pread(fd, text, kGenerationWidth, 0);
  return n > 0 ? std::strtoull(text, nullptr, 10) : 0;
}

void WriteGeneration(int fd, uint64_t generation) {
  if (fd < 0) return;
  char text[kGenerationWidth + 2];
  std::snprintf(text, sizeof text, "%020" PRIu64 "\n", generation);
  if (pwrite(fd, text, kGenerationWidth + 1, 0) != static_cast<ssize_t>(kGenerationWidth + 1))
    std::fprintf(stderr, "device: registry.lock cannot be written: other processes may miss a change\n");
}

void OpenLockFile(StoreState& s) {
  if (s.lock_fd >= 0) return;
  s.lock_fd = open((s.root / "registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

void SwitchRoot(StoreState& s, const std::filesystem::path& root) {
  if (s.hive) s.hive->MarkDeleted();
  s.hive = std::make_unique<Hive>();
  if (s.lock_fd >= 0) close(s.lock_fd);
  s.lock_fd = -1;
  s.root = root;
  s.root_known = true;
  s.current = false;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  *text = out.str();
  return !in.bad();
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    done += static_cast<size_t>(n);
  }
  const int saved_errno = errno;
  const bool closed = close(fd) == 0;
  if (done < text.size()) errno = saved_errno;
  return done == text.size() && closed;
}

LONG FsyncPath(const std::filesystem::path& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : static_cast<LONG>(ErrorFromErrno(errno));
  const LONG result = fsync(fd) == 0 ? ERROR_SUCCESS : static_cast<LONG>(ErrorFromErrno(errno));
  close(fd);
  return result;
}

}  // namespace

HiveAccess::HiveAccess() : guard_(State().lock) {
  StoreState& s = State();
  const std::filesystem::path root = DeviceRoot();
  if (!s.root_known || root != s.root) SwitchRoot(s, root);
  // The root may come into being after the first access (a device being made).
  OpenLockFile(s);
  if (s.lock_fd >= 0) {
    int result;
    while ((result = flock(s.lock_fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    file_locked_ = result == 0;
  }

  const uint64_t generation = ReadGeneration(s.lock_fd);
  const FileStamp stamp = StampOf(HivePath(s));
  if (s.current && generation == s.generation && stamp == s.stamp) return;

  Hive fresh;
  if (!stamp.exists) {
    SeedBaseKeys(&fresh);
    SeedHive(MemberOf(ProfileSection("registry"), "seed"), &fresh);
    s.hive->MergeFrom(fresh);
    Save();
    return;
  }
  std::string text;
  if (!ReadWholeFile(HivePath(s), &text)) {
    std::fprintf(stderr, "device: %s cannot be read; the registry keeps what it last read\n",
                 HivePath(s).c_str());
    return;
  }
  ParseHive(text, HivePath(s).string(), &fresh);
  s.hive->MergeFrom(fresh);
  s.generation = generation;
  s.stamp = stamp;
  s.current = true;
}

HiveAccess::~HiveAccess() {
  if (file_locked_) flock(State().lock_fd, LOCK_UN);
}

Hive& HiveAccess::hive() { return *State().hive; }

LONG HiveAccess::Save() {
  StoreState& s = State();
  const std::filesystem::path temporary = s.root / "registry.new";
  if (!WriteWholeFile(temporary, FormatHive(*s.hive)) || rename(temporary.c_str(), HivePath(s).c_str()) != 0) {
    const int host_errno = errno;
    s.current = false;
    return static_cast<LONG>(ErrorFromErrno(host_errno));
  }
  s.generation = std::max(ReadGeneration(s.lock_fd), s.generation) + 1;
  WriteGeneration(s.lock_fd, s.generation);
  s.stamp = StampOf(HivePath(s));
  s.current = true;
  return ERROR_SUCCESS;
}

LONG HiveAccess::Flush() {
  StoreState& s = State();
  const LONG result = FsyncPath(HivePath(s), O_RDONLY);
  if (result != ERROR_SUCCESS) return result;
  // The rename that put the file in place lives in the folder.
  return FsyncPath(s.root, O_RDONLY | O_DIRECTORY);
}

}  // namespace kelvane
