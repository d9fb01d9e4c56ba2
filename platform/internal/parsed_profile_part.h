// A part of the profile kept parsed: parsed on first use and again only when
// that part of device.json has changed, so readers called on every device
// call (the scenario, the memory layout) do not parse it each time.
//
// Thread-safe; the parsed value handed out stays valid for its holder after a
// newer one replaces it.
#ifndef KELVANE_PLATFORM_PARSED_PROFILE_PART_H
#define KELVANE_PLATFORM_PARSED_PROFILE_PART_H

#include <json/value.h>

#include <memory>
#include <mutex>

namespace kelvane {

template <class T>
class ParsedProfilePart {
 public:
  // The value parsed from `source`; `parse(source)`, which returns a T, runs
  // under the lock when `source` differs from what was parsed last.
  template <class Parse>
  std::shared_ptr<const T> Get(const Json::Value& source, Parse parse) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!parsed_ || !(source_ == source)) {
      parsed_ = std::make_shared<const T>(parse(source));
      source_ = source;
    }
    return parsed_;
  }

 private:
  std::mutex lock_;
  Json::Value source_;
  std::shared_ptr<const T> parsed_;  // null until first parsed
};

}  // namespace kelvane

#endif
