// The process's share-mode table.
#include "files/share_modes.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace kelvane {
namespace {

struct ShareTable {
  std::mutex lock;
  std::map<FileIdentity, std::vector<const ShareClaim*>> opens;
};

ShareTable& Table() {
  static ShareTable* table = new ShareTable;  // outlives static destructors
  return *table;
}

}  // namespace

// Two opens conflict when either one reads or writes what the other does not
// share. An open for neither (access 0, a query of the file) takes part in no
// conflict, as on the platform.
bool ShareClaim::ConflictsWith(const ShareClaim& other) const {
  if (!(reads_ || writes_) || !(other.reads_ || other.writes_)) return false;
  return (reads_ && !(other.share_ & FILE_SHARE_READ)) || (writes_ && !(other.share_ & FILE_SHARE_WRITE)) ||
         (other.reads_ && !(share_ & FILE_SHARE_READ)) || (other.writes_ && !(share_ & FILE_SHARE_WRITE));
}

std::unique_ptr<ShareClaim> ShareClaim::Acquire(FileIdentity file, bool reads, bool writes, DWORD share) {
  std::unique_ptr<ShareClaim> claim(new ShareClaim(file, reads, writes, share));
  ShareTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto& opens = t.opens[file];
  for (const ShareClaim* other : opens)
    if (claim->ConflictsWith(*other)) return nullptr;
  opens.push_back(claim.get());
  return claim;
}

ShareClaim::~ShareClaim() {
  ShareTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.opens.find(file_);
  if (it == t.opens.end()) return;
  auto& opens = it->second;
  opens.erase(std::remove(opens.begin(), opens.end(), this), opens.end());
  if (opens.empty()) t.opens.erase(it);
}

bool FileIsOpen(FileIdentity file) {
  ShareTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.opens.count(file) != 0;
}

}  // namespace kelvane
