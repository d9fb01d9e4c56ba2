#include "gateway_status.h"

namespace locserver {
namespace {

const char* const kServiceNames[] = {"binary", "xml", "wifi"};
const char* const kOutcomeNames[] = {"asked", "local", "upstream", "cached", "not_found", "failed", "rate_limited"};
static_assert(sizeof kOutcomeNames / sizeof *kOutcomeNames == static_cast<int>(Outcome::kCount));

}  // namespace

int GatewayStatus::Index(Service service) {
  switch (service) {
    case Service::kBinaryCell: return 0;
    case Service::kXmlCell: return 1;
    case Service::kWifiJson: return 2;
    case Service::kNone: break;
  }
  return -1;
}

void GatewayStatus::Count(Service service, Outcome outcome) {
  const int index = Index(service);
  if (index >= 0) counts_[index][static_cast<int>(outcome)].fetch_add(1, std::memory_order_relaxed);
}

std::string GatewayStatus::ToJson() const {
  std::string json = "{";
  for (int s = 0; s < kServices; ++s) {
    json += std::string(s ? "," : "") + "\"" + kServiceNames[s] + "\":{";
    for (int o = 0; o < static_cast<int>(Outcome::kCount); ++o)
      json += std::string(o ? "," : "") + "\"" + kOutcomeNames[o] + "\":" +
              std::to_string(counts_[s][o].load(std::memory_order_relaxed));
    json += "}";
  }
  return json + "}\n";
}

}  // namespace locserver
