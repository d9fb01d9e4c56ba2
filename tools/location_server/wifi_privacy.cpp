#include "wifi_privacy.h"

namespace locserver {
namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<WifiObservation> ShareableAccessPoints(const std::vector<WifiObservation>& seen) {
  std::vector<WifiObservation> shared;
  for (const WifiObservation& ap : seen)
    if (!ap.ssid.empty() && !EndsWith(ap.ssid, "_nomap")) shared.push_back(ap);
  if (shared.size() < kFewestSharedAccessPoints) shared.clear();
  return shared;
}

}  // namespace locserver
