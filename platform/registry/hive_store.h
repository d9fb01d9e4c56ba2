// The device root's registry hive, shared by every thread of the process and
// by every process on the same device root.
//
// A HiveAccess holds, for its lifetime, the process's registry lock and an
// exclusive flock on ROOT/registry.lock, and finds the hive in memory up to
// date: read again when another process saved it since (each save counts up a
// generation kept in the lock file) or the file was changed by other means.
// Save writes the whole hive to ROOT/registry.new and renames it over
// ROOT/registry, so no process ever reads half a hive. When ROOT/registry does
// not exist, the hive is made from the profile's "registry" → "seed" and
// saved. A switch of the device root (tests) starts over with that root's
// hive; keys open on the old one answer ERROR_KEY_DELETED.
#ifndef KELVANE_PLATFORM_REGISTRY_HIVE_STORE_H
#define KELVANE_PLATFORM_REGISTRY_HIVE_STORE_H

#include "registry/hive.h"

#include <mutex>

namespace kelvane {

class HiveAccess {
 public:
  HiveAccess();
  ~HiveAccess();
  HiveAccess(const HiveAccess&) = delete;
  HiveAccess& operator=(const HiveAccess&) = delete;

  Hive& hive();
  // Writes the hive to its file: ERROR_SUCCESS or the platform error. After a
  // failure the next access reads the file again, which drops the change.
  LONG Save();
  // Puts the saved hive on persistent storage.
  LONG Flush();

 private:
  std::unique_lock<std::mutex> guard_;
  bool file_locked_ = false;
};

}  // namespace kelvane

#endif
