// Windows Sockets 2 of the device's ws2 library: the SDK's names, values and
// structure layouts (the device is 32-bit, so the SDK's u_long fields are 32
// bits wide).
//
// The host C library exports the same BSD names (socket, connect, send, ...)
// and declares the BSD type names through <stdlib.h>. So that the program can
// include both and one process can hold both libraries:
// - every entry point whose name the host also exports is linked under a name
//   of its own (KELVANE_WS2_LINK_NAME), so neither library shadows the other;
// - u_char, u_short, u_int and u_long are declared exactly as the host declares
//   them; u_long is 64 bits wide on the host, so the fields and codes the SDK
//   sizes with u_long use ULONG (32 bits) and keep the SDK's layouts and values.
// A source file includes either these headers or the host's socket headers,
// never both: the structure names are the same.
#ifndef KELVANE_WINSOCK2_H
#define KELVANE_WINSOCK2_H

#include <windows.h>

#define WSAAPI
#define KELVANE_WS2_LINK_NAME(name) __asm__("ws2_" #name)

typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
typedef unsigned long u_long;

typedef UINT_PTR SOCKET;
#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
} WSADATA, *LPWSADATA;

#define AF_UNSPEC 0
#define AF_INET 2
#define AF_INET6 23
#define PF_UNSPEC AF_UNSPEC
#define PF_INET AF_INET

#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define SOCK_RAW 3

#define IPPROTO_IP 0
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17

#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK 0x7f000001
#define INADDR_BROADCAST ((ULONG)0xffffffff)
#define INADDR_NONE 0xffffffff

#define MSG_OOB 0x1
#define MSG_PEEK 0x2
#define MSG_DONTROUTE 0x4

// _IOW('f', 126, u_long) with the device's 4-byte u_long.
#define FIONBIO 0x8004667EU

typedef struct in_addr {
  union {
    struct {
      u_char s_b1, s_b2, s_b3, s_b4;
    } S_un_b;
    struct {
      u_short s_w1, s_w2;
    } S_un_w;
    ULONG S_addr;
  } S_un;
} IN_ADDR, *PIN_ADDR, *LPIN_ADDR;
#define s_addr S_un.S_addr

struct sockaddr {
  u_short sa_family;
  char sa_data[14];
};
typedef struct sockaddr SOCKADDR, *PSOCKADDR, *LPSOCKADDR;

struct sockaddr_in {
  short sin_family;
  u_short sin_port;
  struct in_addr sin_addr;
  char sin_zero[8];
};
typedef struct sockaddr_in SOCKADDR_IN, *PSOCKADDR_IN, *LPSOCKADDR_IN;

// Error codes (WSAGetLastError).
#define WSABASEERR 10000
#define WSAEINTR (WSABASEERR + 4)
#define WSAEBADF (WSABASEERR + 9)
#define WSAEACCES (WSABASEERR + 13)
#define WSAEFAULT (WSABASEERR + 14)
#define WSAEINVAL (WSABASEERR + 22)
#define WSAEMFILE (WSABASEERR + 24)
#define WSAEWOULDBLOCK (WSABASEERR + 35)
#define WSAEINPROGRESS (WSABASEERR + 36)
#define WSAEALREADY (WSABASEERR + 37)
#define WSAENOTSOCK (WSABASEERR + 38)
#define WSAEDESTADDRREQ (WSABASEERR + 39)
#define WSAEMSGSIZE (WSABASEERR + 40)
#define WSAEPROTOTYPE (WSABASEERR + 41)
#define WSAENOPROTOOPT (WSABASEERR + 42)
#define WSAEPROTONOSUPPORT (WSABASEERR + 43)
#define WSAESOCKTNOSUPPORT (WSABASEERR + 44)
#define WSAEOPNOTSUPP (WSABASEERR + 45)
#define WSAEPFNOSUPPORT (WSABASEERR + 46)
#define WSAEAFNOSUPPORT (WSABASEERR + 47)
#define WSAEADDRINUSE (WSABASEERR + 48)
#define WSAEADDRNOTAVAIL (WSABASEERR + 49)
#define WSAENETDOWN (WSABASEERR + 50)
#define WSAENETUNREACH (WSABASEERR + 51)
#define WSAENETRESET (WSABASEERR + 52)
#define WSAECONNABORTED (WSABASEERR + 53)
#define WSAECONNRESET (WSABASEERR + 54)
#define WSAENOBUFS (WSABASEERR + 55)
#define WSAEISCONN (WSABASEERR + 56)
#define WSAENOTCONN (WSABASEERR + 57)
#define WSAESHUTDOWN (WSABASEERR + 58)
#define WSAETIMEDOUT (WSABASEERR + 60)
#define WSAECONNREFUSED (WSABASEERR + 61)
#define WSAENAMETOOLONG (WSABASEERR + 63)
#define WSAEHOSTDOWN (WSABASEERR + 64)
#define WSAEHOSTUNREACH (WSABASEERR + 65)
#define WSAEPROCLIM (WSABASEERR + 67)
#define WSASYSNOTREADY (WSABASEERR + 91)
#define WSAVERNOTSUPPORTED (WSABASEERR + 92)
#define WSANOTINITIALISED (WSABASEERR + 93)
#define WSATYPE_NOT_FOUND (WSABASEERR + 109)
#define WSAHOST_NOT_FOUND (WSABASEERR + 1001)
#define WSATRY_AGAIN (WSABASEERR + 1002)
#define WSANO_RECOVERY (WSABASEERR + 1003)
#define WSANO_DATA (WSABASEERR + 1004)
#define WSA_NOT_ENOUGH_MEMORY (ERROR_NOT_ENOUGH_MEMORY)
#define WSA_INVALID_PARAMETER (ERROR_INVALID_PARAMETER)

KELVANE_BEGIN_DECLS

int WSAAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
int WSAAPI WSACleanup(void);
int WSAAPI WSAGetLastError(void);
void WSAAPI WSASetLastError(int iError);

SOCKET WSAAPI socket(int af, int type, int protocol) KELVANE_WS2_LINK_NAME(socket);
int WSAAPI connect(SOCKET s, const struct sockaddr* name, int namelen) KELVANE_WS2_LINK_NAME(connect);
int WSAAPI send(SOCKET s, const char* buf, int len, int flags) KELVANE_WS2_LINK_NAME(send);
int WSAAPI recv(SOCKET s, char* buf, int len, int flags) KELVANE_WS2_LINK_NAME(recv);
int WSAAPI closesocket(SOCKET s);
int WSAAPI ioctlsocket(SOCKET s, long cmd, u_long* argp);

unsigned long WSAAPI inet_addr(const char* cp) KELVANE_WS2_LINK_NAME(inet_addr);
u_short WSAAPI htons(u_short hostshort) KELVANE_WS2_LINK_NAME(htons);
u_short WSAAPI ntohs(u_short netshort) KELVANE_WS2_LINK_NAME(ntohs);
u_long WSAAPI htonl(u_long hostlong) KELVANE_WS2_LINK_NAME(htonl);
u_long WSAAPI ntohl(u_long netlong) KELVANE_WS2_LINK_NAME(ntohl);

KELVANE_END_DECLS

#endif
