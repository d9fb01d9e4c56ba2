// getaddrinfo and freeaddrinfo: the device's hosts table first, then the host
// resolver.
//
// The hosts table is the profile's "hosts" object: a name (matched without
// regard to case, as DNS does) maps to "a.b.c.d" or "a.b.c.d:port". With a
// port, the device's network forwards whatever service port the caller asked
// for to that port, so a server on any loopback port can stand in for a web
// service on port 80. "network": {"hostResolver": false} leaves the host
// resolver out, so names not in the table are unknown; "resolveDelayMs" makes
// every name wait that long first, as on a slow link, and nothing cuts the
// wait short, as nothing does a blocking resolver's.
#include <ws2tcpip.h>

#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/host_sockets.h"
#include "internal/hosts_table.h"
#include "internal/winsock_state.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kelvane {
namespace {

// getaddrinfo returns its error and also leaves it as the last error.
int ResolveFail(int error) {
  SetLastError(static_cast<DWORD>(error));
  return error;
}

bool ParsePort(const char* text, uint16_t* port) {
  if (*text == '\0' || std::strlen(text) > 5) return false;
  unsigned value = 0;
  for (const char* p = text; *p; ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  if (value > 65535) return false;
  *port = htons(static_cast<u_short>(value));
  return true;
}

bool SameNameIgnoringCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

enum class HostsEntry { kAbsent, kFound, kInvalid };

// The hosts table's answer for a name; a port in the entry replaces *port.
HostsEntry LookupHostsTable(const char* name, uint32_t* address, uint16_t* port) {
  const Json::Value& hosts = ProfileSection("hosts");
  if (!hosts.isObject()) return HostsEntry::kAbsent;
  for (const std::string& key : hosts.getMemberNames()) {
    if (!SameNameIgnoringCase(key, name)) continue;
    const std::string value = hosts[key].isString() ? hosts[key].asString() : std::string();
    const size_t colon = value.find(':');
    const std::string host = value.substr(0, colon);
    uint16_t forwarded = *port;
    bool valid = !host.empty() && host_sockets::ParseIpv4(host.c_str(), address);
    if (valid && colon != std::string::npos) valid = ParsePort(value.c_str() + colon + 1, &forwarded) && forwarded != 0;
    if (!valid) {
      std::fprintf(stderr, "device: hosts entry \"%s\" is not \"a.b.c.d\" or \"a.b.c.d:port\"\n", key.c_str());
      return HostsEntry::kInvalid;
    }
    *port = forwarded;
    return HostsEntry::kFound;
  }
  return HostsEntry::kAbsent;
}

int FromResolveResult(host_sockets::ResolveResult result) {
  switch (result) {
    case host_sockets::ResolveResult::kResolved: return 0;
    case host_sockets::ResolveResult::kNotFound: return EAI_NONAME;
    case host_sockets::ResolveResult::kTryAgain: return EAI_AGAIN;
    case host_sockets::ResolveResult::kNoData: return EAI_NODATA;
    case host_sockets::ResolveResult::kNoMemory: return EAI_MEMORY;
    case host_sockets::ResolveResult::kFailed: break;
  }
  return EAI_FAIL;
}

// The addresses of a node name (network order), or an EAI_ error.
int Addresses(const char* nodename, int flags, std::vector<uint32_t>* addresses, uint16_t* port) {
  uint32_t address;
  if (nodename == nullptr) {
    addresses->push_back((flags & AI_PASSIVE) ? INADDR_ANY : static_cast<uint32_t>(htonl(INADDR_LOOPBACK)));
    return 0;
  }
  if (host_sockets::ParseIpv4(nodename, &address)) {
    addresses->push_back(address);
    return 0;
  }
  if (flags & AI_NUMERICHOST) return EAI_NONAME;
  if (const uint64_t delay = ProfileCount("network", "resolveDelayMs", 0, INFINITE - 1))
    Sleep(static_cast<DWORD>(delay));
  switch (LookupHostsTable(nodename, &address, port)) {
    case HostsEntry::kFound: addresses->push_back(address); return 0;
    case HostsEntry::kInvalid: return EAI_FAIL;
    case HostsEntry::kAbsent: break;
  }
  if (!ProfileFlag("network", "hostResolver", true)) return EAI_NONAME;
  return FromResolveResult(host_sockets::ResolveIpv4(nodename, addresses));
}

// One list entry: the structure and its address in one allocation.
struct AddrInfoNode {
  addrinfo info;
  sockaddr_in address;
};

}  // namespace

std::string HostsTableAddress(const std::string& name) {
  uint32_t address = 0;
  uint16_t port = 0;
  if (LookupHostsTable(name.c_str(), &address, &port) != HostsEntry::kFound) return "";
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);  // network order
  std::string text = std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) +
                     "." + std::to_string(bytes[3]);
  if (port != 0) text += ":" + std::to_string(ntohs(port));
  return text;
}

}  // namespace kelvane

using namespace kelvane;

// ---- getaddrinfo ----
// IPv4 only; a numeric service only. One entry per address, with the hints'
// type and protocol.
int WSAAPI getaddrinfo(const char* nodename, const char* servname, const struct addrinfo* hints,
                       struct addrinfo** res) {
  if (!WinsockStarted()) return ResolveFail(WSANOTINITIALISED);
  if (res == nullptr) return ResolveFail(WSA_INVALID_PARAMETER);
  *res = nullptr;
  const int flags = hints ? hints->ai_flags : 0;
  const int family = hints ? hints->ai_family : AF_UNSPEC;
  const int socktype = hints ? hints->ai_socktype : 0;
  const int protocol = hints ? hints->ai_protocol : 0;
  if (flags & ~(AI_PASSIVE | AI_CANONNAME | AI_NUMERICHOST)) return ResolveFail(EAI_BADFLAGS);
  if ((flags & AI_CANONNAME) && nodename == nullptr) return ResolveFail(EAI_BADFLAGS);
  if (family != AF_UNSPEC && family != AF_INET) return ResolveFail(EAI_FAMILY);
  if (socktype != 0 && socktype != SOCK_STREAM && socktype != SOCK_DGRAM) return ResolveFail(EAI_SOCKTYPE);
  if (nodename == nullptr && servname == nullptr) return ResolveFail(EAI_NONAME);
  uint16_t port = 0;
  if (servname != nullptr && !ParsePort(servname, &port)) return ResolveFail(EAI_SERVICE);

  std::vector<uint32_t> addresses;
  if (int error = Addresses(nodename, flags, &addresses, &port)) return ResolveFail(error);

  addrinfo** link = res;
  for (uint32_t address : addresses) {
    auto* node = new AddrInfoNode{};
    node->address.sin_family = AF_INET;
    node->address.sin_port = port;
    node->address.sin_addr.s_addr = address;
    node->info.ai_family = AF_INET;
    node->info.ai_socktype = socktype;
    node->info.ai_protocol = protocol;
    node->info.ai_addrlen = sizeof node->address;
    node->info.ai_addr = reinterpret_cast<sockaddr*>(&node->address);
    if ((flags & AI_CANONNAME) && link == res) {
      node->info.ai_canonname = new char[std::strlen(nodename) + 1];
      std::strcpy(node->info.ai_canonname, nodename);
    }
    *link = &node->info;
    link = &node->info.ai_next;
  }
  return 0;
}

// ---- freeaddrinfo ----
void WSAAPI freeaddrinfo(struct addrinfo* ai) {
  while (ai != nullptr) {
    addrinfo* next = ai->ai_next;
    delete[] ai->ai_canonname;
    delete reinterpret_cast<AddrInfoNode*>(ai);
    ai = next;
  }
}
