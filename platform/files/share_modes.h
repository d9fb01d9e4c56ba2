// The process's share-mode table: which opens of a host file are in place,
// with what access and what sharing they allow, so that a conflicting open
// fails with ERROR_SHARING_VIOLATION as on the device.
//
// Sharing is enforced between opens within one process only: another process
// on the same device root opens the file unhindered.
#ifndef KELVANE_PLATFORM_FILES_SHARE_MODES_H
#define KELVANE_PLATFORM_FILES_SHARE_MODES_H

#include <windows.h>

#include <sys/types.h>

#include <memory>

namespace kelvane {

struct FileIdentity {
  dev_t device;
  ino_t inode;
  bool operator<(const FileIdentity& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
};

// One open's entry in the table; destroying it ends the open's claim.
// Thread-safe.
class ShareClaim {
 public:
  // The claim of an open that reads and/or writes and lets others do what
  // `share` (FILE_SHARE_READ, FILE_SHARE_WRITE) allows; null when an open in
  // place refuses it or refuses to share what the new open does.
  static std::unique_ptr<ShareClaim> Acquire(FileIdentity file, bool reads, bool writes, DWORD share);
  ~ShareClaim();

  ShareClaim(const ShareClaim&) = delete;
  ShareClaim& operator=(const ShareClaim&) = delete;

 private:
  ShareClaim(FileIdentity file, bool reads, bool writes, DWORD share)
      : file_(file), reads_(reads), writes_(writes), share_(share) {}
  bool ConflictsWith(const ShareClaim& other) const;

  const FileIdentity file_;
  const bool reads_;
  const bool writes_;
  const DWORD share_;
};

// Whether any open of the file is in place in this process.
bool FileIsOpen(FileIdentity file);

}  // namespace kelvane

#endif
