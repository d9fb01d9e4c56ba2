// Name resolution of Windows Sockets 2 (getaddrinfo): the SDK's layout, in
// which ai_canonname comes before ai_addr (the host's order is the reverse).
#ifndef KELVANE_WS2TCPIP_H
#define KELVANE_WS2TCPIP_H

#include <winsock2.h>

typedef struct addrinfo {
  int ai_flags;
  int ai_family;
  int ai_socktype;
  int ai_protocol;
  size_t ai_addrlen;
  char* ai_canonname;
  struct sockaddr* ai_addr;
  struct addrinfo* ai_next;
} ADDRINFOA, *PADDRINFOA;

#define AI_PASSIVE 0x00000001
#define AI_CANONNAME 0x00000002
#define AI_NUMERICHOST 0x00000004

// getaddrinfo returns Winsock error codes.
#define EAI_AGAIN WSATRY_AGAIN
#define EAI_BADFLAGS WSAEINVAL
#define EAI_FAIL WSANO_RECOVERY
#define EAI_FAMILY WSAEAFNOSUPPORT
#define EAI_MEMORY WSA_NOT_ENOUGH_MEMORY
#define EAI_NODATA WSANO_DATA
#define EAI_NONAME WSAHOST_NOT_FOUND
#define EAI_SERVICE WSATYPE_NOT_FOUND
#define EAI_SOCKTYPE WSAESOCKTNOSUPPORT

KELVANE_BEGIN_DECLS

int WSAAPI getaddrinfo(const char* nodename, const char* servname, const struct addrinfo* hints,
                       struct addrinfo** res) KELVANE_WS2_LINK_NAME(getaddrinfo);
void WSAAPI freeaddrinfo(struct addrinfo* ai) KELVANE_WS2_LINK_NAME(freeaddrinfo);

KELVANE_END_DECLS

#endif
