#include "faults.h"

#include "csv_rows.h"

#include <algorithm>
#include <utility>

namespace locserver {
namespace {

struct ServiceName {
  const char* name;
  Service service;
};
const ServiceName kServiceNames[] = {
    {"google", Service::kBinaryCell}, {"yandex", Service::kXmlCell}, {"json", Service::kWifiJson}};

bool ParseServices(const std::string& list, unsigned* services) {
  *services = 0;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t plus = std::min(list.find('+', start), list.size());
    const std::string name = list.substr(start, plus - start);
    start = plus + 1;
    bool known = false;
    for (const ServiceName& s : kServiceNames)
      if (name == s.name) {
        *services |= 1u << static_cast<int>(s.service);
        known = true;
      }
    if (!known) return false;
  }
  return true;
}

bool ParseNumber(const std::string& text, int64_t min, int64_t max, long* value) {
  int64_t parsed;
  if (!ParseInteger(text, min, max, &parsed)) return false;
  *value = static_cast<long>(parsed);
  return true;
}

}  // namespace

bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error) {
  FaultRule parsed;
  size_t start = 0;
  while (start < text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    std::string item = text.substr(start, comma - start);
    start = comma + 1;
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.erase(0, 1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t' || item.back() == '\r')) item.pop_back();
    if (item.empty()) continue;
    const size_t equals = item.find('=');
    const std::string key = item.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : item.substr(equals + 1);
    const bool has_value = equals != std::string::npos;
    long number = 0;
    bool good = true;
    if (key == "delay" && has_value) {
      good = ParseNumber(value, 0, 600000, &number);
      parsed.delay_ms = static_cast<int>(number);
    } else if (key == "pause" && has_value) {
      good = ParseNumber(value, 0, 600000, &number);
      parsed.pause_ms = static_cast<int>(number);
    } else if (key == "overrun" && has_value) {
      good = ParseNumber(value, 1, 1000000, &number);
      parsed.overrun = static_cast<int>(number);
    } else if (key == "times" && has_value) {
      good = ParseNumber(value, 1, 1000000000, &parsed.times);
    } else if (key == "only" && has_value) {
      good = ParseServices(value, &parsed.services);
    } else if (!has_value && key == "silence") {
      parsed.silence = true;
    } else if (!has_value && key == "stall") {
      parsed.stall = true;
    } else if (!has_value && key == "unknown-cell") {
      parsed.unknown_cell = true;
    } else if (!has_value && key == "malformed") {
      parsed.malformed = true;
    } else if (!has_value && key == "oversize") {
      parsed.oversize = true;
    } else if (!has_value && key == "no-content-length") {
      parsed.no_content_length = true;
    } else {
      *error = "unknown fault '" + item.substr(0, 60) + "'";
      return false;
    }
    if (!good) {
      *error = "bad value in '" + item.substr(0, 60) + "'";
      return false;
    }
  }
  *rule = parsed;
  return true;
}

std::string DescribeFaultRule(const FaultRule& rule) {
  std::string out;
  auto add = [&out](const std::string& item) { out += (out.empty() ? "" : ",") + item; };
  if (rule.delay_ms) add("delay=" + std::to_string(rule.delay_ms));
  if (rule.pause_ms) add("pause=" + std::to_string(rule.pause_ms));
  if (rule.silence) add("silence");
  if (rule.stall) add("stall");
  if (rule.unknown_cell) add("unknown-cell");
  if (rule.malformed) add("malformed");
  if (rule.oversize) add("oversize");
  if (rule.no_content_length) add("no-content-length");
  if (rule.overrun) add("overrun=" + std::to_string(rule.overrun));
  if (rule.services != FaultRule::kAllServices) {
    std::string names;
    for (const ServiceName& s : kServiceNames)
      if (rule.Matches(s.service)) names += (names.empty() ? "" : "+") + std::string(s.name);
    add("only=" + names);
  }
  if (rule.times >= 0) add("times=" + std::to_string(rule.times));
  return out;
}

void FaultPlan::Replace(std::vector<FaultRule> rules) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_ = std::move(rules);
}

std::vector<FaultRule> FaultPlan::Rules() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rules_;
}

FaultRule FaultPlan::Take(Service service) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (!it->Matches(service)) continue;
    const FaultRule taken = *it;
    if (it->times > 0 && --it->times == 0) rules_.erase(it);
    return taken;
  }
  return FaultRule{};
}

}  // namespace locserver
