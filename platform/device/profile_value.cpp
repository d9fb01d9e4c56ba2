// Typed, reporting accessors over the profile.
#include "internal/profile_value.h"

#include "internal/device_root.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace kelvane {
namespace {

struct Reports {
  std::mutex lock;
  std::set<std::string> said;
};

Reports& Said() {
  static Reports* reports = new Reports;  // outlives static destructors
  return *reports;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Joined(const char* section, const char* key) { return std::string(section) + "." + key; }

}  // namespace

void ReportProfileProblem(const std::string& what) {
  Reports& r = Said();
  std::lock_guard<std::mutex> guard(r.lock);
  if (r.said.insert(what).second) std::fprintf(stderr, "device: %s\n", what.c_str());
}

void ForgetProfileReports() {
  Reports& r = Said();
  std::lock_guard<std::mutex> guard(r.lock);
  r.said.clear();
}

const Json::Value& MemberOf(const Json::Value& object, const std::string& key) {
  // jsoncpp's operator[] throws on values other than objects and null.
  if (!object.isObject()) return Json::Value::nullSingleton();
  const Json::Value* member = object.find(key.data(), key.data() + key.size());
  return member ? *member : Json::Value::nullSingleton();
}

const Json::Value& ProfileSection(const char* name) {
  const Json::Value& section = MemberOf(Profile(), name);
  if (section.isNull() || section.isObject()) return section;
  ReportProfileProblem(Quoted(name) + " must be an object; its defaults are used");
  return Json::Value::nullSingleton();
}

bool ReadFlag(const Json::Value& value, const std::string& path, bool fallback) {
  if (value.isBool()) return value.asBool();
  if (!value.isNull())
    ReportProfileProblem(Quoted(path) + " must be true or false; " + (fallback ? "true" : "false") + " is used");
  return fallback;
}

std::string ReadText(const Json::Value& value, const std::string& path, const std::string& fallback) {
  if (value.isString()) return value.asString();
  if (!value.isNull()) ReportProfileProblem(Quoted(path) + " must be text; \"" + fallback + "\" is used");
  return fallback;
}

uint64_t ReadCount(const Json::Value& value, const std::string& path, uint64_t fallback, uint64_t largest) {
  if (value.isUInt64() && value.asUInt64() <= largest) return value.asUInt64();
  if (!value.isNull())
    ReportProfileProblem(Quoted(path) + " must be a whole number from 0 to " + std::to_string(largest) + "; " +
                         std::to_string(fallback) + " is used");
  return fallback;
}

int64_t ReadInteger(const Json::Value& value, const std::string& path, int64_t fallback, int64_t smallest,
                    int64_t largest) {
  if (value.isInt64() && value.asInt64() >= smallest && value.asInt64() <= largest) return value.asInt64();
  if (!value.isNull())
    ReportProfileProblem(Quoted(path) + " must be a whole number from " + std::to_string(smallest) + " to " +
                         std::to_string(largest) + "; " + std::to_string(fallback) + " is used");
  return fallback;
}

double ReadNumber(const Json::Value& value, const std::string& path, double fallback) {
  if (value.isNumeric()) return value.asDouble();
  if (!value.isNull()) ReportProfileProblem(Quoted(path) + " must be a number; " + std::to_string(fallback) + " is used");
  return fallback;
}

std::vector<std::string> ReadTexts(const Json::Value& value, const std::string& path) {
  std::vector<std::string> texts;
  if (value.isNull()) return texts;
  if (!value.isArray()) {
    ReportProfileProblem(Quoted(path) + " must be a list of texts; it is left out");
    return texts;
  }
  for (const Json::Value& entry : value) {
    if (entry.isString())
      texts.push_back(entry.asString());
    else
      ReportProfileProblem(Quoted(path) + " holds an entry that is not text; it is left out");
  }
  return texts;
}

bool ProfileFlag(const char* section, const char* key, bool fallback) {
  return ReadFlag(MemberOf(ProfileSection(section), key), Joined(section, key), fallback);
}

std::string ProfileText(const char* section, const char* key, const std::string& fallback) {
  return ReadText(MemberOf(ProfileSection(section), key), Joined(section, key), fallback);
}

uint64_t ProfileCount(const char* section, const char* key, uint64_t fallback, uint64_t largest) {
  return ReadCount(MemberOf(ProfileSection(section), key), Joined(section, key), fallback, largest);
}

}  // namespace kelvane
