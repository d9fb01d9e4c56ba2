// The host's cached Wi-Fi scan results over nl80211.
#include "internal/host_wifi.h"

#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <set>

namespace kelvane {
namespace {

constexpr uint8_t kSsidElement = 0;
constexpr size_t kSsidLimit = 32;

// Reports a problem of an interface once per process.
void ReportOnce(const std::string& interface, const std::string& what) {
  static std::mutex lock;
  static std::set<std::string>* said = new std::set<std::string>;  // outlives static destructors
  std::lock_guard<std::mutex> guard(lock);
  if (said->insert(interface).second)
    std::fprintf(stderr, "device: host Wi-Fi \"%s\": %s; its adapter sees no access points\n", interface.c_str(),
                 what.c_str());
}

int CollectResult(nl_msg* message, void* list) {
  SeenAccessPoint point;
  if (ParseScanResult(nlmsg_hdr(message), &point)) static_cast<std::vector<SeenAccessPoint>*>(list)->push_back(point);
  return NL_OK;
}

struct SocketCloser {
  void operator()(nl_sock* socket) const { nl_socket_free(socket); }
};
struct MessageFreer {
  void operator()(nl_msg* message) const { nlmsg_free(message); }
};

}  // namespace

bool SsidOfElements(const uint8_t* elements, size_t length, std::string* ssid) {
  size_t at = 0;
  while (length - at >= 2) {
    const uint8_t id = elements[at];
    const size_t size = elements[at + 1];
    if (size > length - at - 2) return false;
    if (id == kSsidElement) {
      if (size > kSsidLimit) return false;
      ssid->assign(reinterpret_cast<const char*>(elements + at + 2), size);
      return true;
    }
    at += 2 + size;
  }
  return false;
}

bool ParseScanResult(nlmsghdr* message, SeenAccessPoint* out) {
  nlattr* top[NL80211_ATTR_MAX + 1] = {};
  if (genlmsg_parse(message, 0, top, NL80211_ATTR_MAX, nullptr) < 0 || !top[NL80211_ATTR_BSS]) return false;
  nlattr* bss[NL80211_BSS_MAX + 1] = {};
  if (nla_parse_nested(bss, NL80211_BSS_MAX, top[NL80211_ATTR_BSS], nullptr) < 0) return false;
  if (!bss[NL80211_BSS_BSSID] || nla_len(bss[NL80211_BSS_BSSID]) != 6) return false;
  SeenAccessPoint point;
  nla_memcpy(point.mac, bss[NL80211_BSS_BSSID], 6);
  // The signal comes in hundredths of a dBm.
  if (bss[NL80211_BSS_SIGNAL_MBM] && nla_len(bss[NL80211_BSS_SIGNAL_MBM]) == 4)
    point.rssi = static_cast<LONG>(static_cast<int32_t>(nla_get_u32(bss[NL80211_BSS_SIGNAL_MBM])) / 100);
  // Elements of a probe response first, else those of a beacon.
  for (int kind : {NL80211_BSS_INFORMATION_ELEMENTS, NL80211_BSS_BEACON_IES}) {
    if (!bss[kind]) continue;
    if (SsidOfElements(static_cast<const uint8_t*>(nla_data(bss[kind])), static_cast<size_t>(nla_len(bss[kind])),
                       &point.ssid))
      break;
    point.ssid.clear();
  }
  *out = point;
  return true;
}

std::vector<SeenAccessPoint> HostAccessPoints(const std::string& interface) {
  std::vector<SeenAccessPoint> list;
  const unsigned index = if_nametoindex(interface.c_str());
  if (index == 0) {
    ReportOnce(interface, "no such interface on this host");
    return list;
  }
  std::unique_ptr<nl_sock, SocketCloser> socket(nl_socket_alloc());
  if (!socket || genl_connect(socket.get()) < 0) {
    ReportOnce(interface, "generic netlink is not available");
    return list;
  }
  const int family = genl_ctrl_resolve(socket.get(), "nl80211");
  if (family < 0) {
    ReportOnce(interface, "the kernel has no nl80211");
    return list;
  }
  std::unique_ptr<nl_msg, MessageFreer> request(nlmsg_alloc());
  if (!request || !genlmsg_put(request.get(), NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, NLM_F_DUMP, NL80211_CMD_GET_SCAN, 0) ||
      nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, index) < 0) {
    ReportOnce(interface, "the scan request could not be built");
    return list;
  }
  nl_socket_modify_cb(socket.get(), NL_CB_VALID, NL_CB_CUSTOM, CollectResult, &list);
  if (nl_send_auto(socket.get(), request.get()) < 0 || nl_recvmsgs_default(socket.get()) < 0) {
    ReportOnce(interface, "the kernel refused the scan results (not a wireless interface?)");
    list.clear();
  }
  return list;
}

}  // namespace kelvane
