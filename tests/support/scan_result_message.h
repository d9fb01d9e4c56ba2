// nl80211 scan-result messages built in memory, as the kernel sends them for
// NL80211_CMD_GET_SCAN, for the tests of the host Wi-Fi reader. Targets that
// include this link libnl-genl-3.
#ifndef KELVANE_TESTS_SUPPORT_SCAN_RESULT_MESSAGE_H
#define KELVANE_TESTS_SUPPORT_SCAN_RESULT_MESSAGE_H

#include "internal/host_wifi.h"

#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace kelvane::testing {

struct ScanResultParts {
  std::string bssid = std::string("\x00\x1a\x2b\x3c\x4d\x5e", 6);
  bool with_signal = true;
  int32_t signal_mbm = -6100;
  std::string elements;  // information elements; see SsidElement
  std::string beacon_elements;
};

inline std::string SsidElement(const std::string& ssid) {
  return std::string(1, '\0') + std::string(1, static_cast<char>(ssid.size())) + ssid;
}

// The message's bytes (header included, nlmsg_len = their count).
inline std::string ScanResultMessage(const ScanResultParts& parts) {
  nl_msg* message = nlmsg_alloc();
  genlmsg_put(message, NL_AUTO_PORT, NL_AUTO_SEQ, 28, 0, NLM_F_MULTI, NL80211_CMD_NEW_SCAN_RESULTS, 1);
  nla_put_u32(message, NL80211_ATTR_IFINDEX, 3);
  nlattr* bss = nla_nest_start(message, NL80211_ATTR_BSS);
  if (!parts.bssid.empty()) nla_put(message, NL80211_BSS_BSSID, static_cast<int>(parts.bssid.size()), parts.bssid.data());
  if (parts.with_signal) nla_put_u32(message, NL80211_BSS_SIGNAL_MBM, static_cast<uint32_t>(parts.signal_mbm));
  if (!parts.elements.empty())
    nla_put(message, NL80211_BSS_INFORMATION_ELEMENTS, static_cast<int>(parts.elements.size()), parts.elements.data());
  if (!parts.beacon_elements.empty())
    nla_put(message, NL80211_BSS_BEACON_IES, static_cast<int>(parts.beacon_elements.size()),
            parts.beacon_elements.data());
  nla_nest_end(message, bss);
  const nlmsghdr* header = nlmsg_hdr(message);
  std::string bytes(reinterpret_cast<const char*>(header), header->nlmsg_len);
  nlmsg_free(message);
  return bytes;
}

// ParseScanResult on a message's bytes, copied to memory aligned as the
// socket's receive buffer is.
// The copy is aligned (malloc's alignment suits the header) and exactly as
// long as the message, so the sanitizer builds catch a read one byte past it.
inline bool ParseScanResultBytes(const std::string& bytes, SeenAccessPoint* point) {
  std::unique_ptr<void, decltype(&std::free)> copy(std::malloc(bytes.size()), &std::free);
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return ParseScanResult(static_cast<nlmsghdr*>(copy.get()), point);
}

}  // namespace kelvane::testing

#endif
