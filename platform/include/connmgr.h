// The Connection Manager (cellcore): a request for a data connection to a
// destination network, polled until it is up, released with or without
// caching.
#ifndef KELVANE_CONNMGR_H
#define KELVANE_CONNMGR_H

#include <windows.h>
#include <connmgr_status.h>

// On the 32-bit device this structure is 64 bytes; on the host its pointer-
// sized members make it larger. ConnMgrEstablishConnection accepts either size.
typedef struct _CONNMGR_CONNECTIONINFO {
  DWORD cbSize;
  DWORD dwParams;
  DWORD dwFlags;
  DWORD dwPriority;
  BOOL bExclusive;
  BOOL bDisabled;
  GUID guidDestNet;
  HWND hWnd;
  UINT uMsg;
  LPARAM lParam;
  ULONG ulMaxCost;
  ULONG ulMinRcvBw;
  ULONG ulMaxConnLatency;
} CONNMGR_CONNECTIONINFO;

#define CONNMGR_PARAM_GUIDDESTNET 0x1
#define CONNMGR_PARAM_MAXCOST 0x2
#define CONNMGR_PARAM_MINRCVBW 0x4
#define CONNMGR_PARAM_MAXCONNLATENCY 0x8

#define CONNMGR_FLAG_PROXY_HTTP 0x1
#define CONNMGR_FLAG_PROXY_WAP 0x2
#define CONNMGR_FLAG_PROXY_SOCKS4 0x4
#define CONNMGR_FLAG_PROXY_SOCKS5 0x8

#define CONNMGR_PRIORITY_VOICE 0x20000
#define CONNMGR_PRIORITY_USERINTERACTIVE 0x08000
#define CONNMGR_PRIORITY_USERBACKGROUND 0x02000
#define CONNMGR_PRIORITY_USERIDLE 0x00800
#define CONNMGR_PRIORITY_HIPRIBKGND 0x00200
#define CONNMGR_PRIORITY_IDLEBKGND 0x00080
#define CONNMGR_PRIORITY_EXTERNALINTERACTIVE 0x00020
#define CONNMGR_PRIORITY_LOWBKGND 0x00008
#define CONNMGR_PRIORITY_CACHED 0x00002

KELVANE_BEGIN_DECLS

// {436EF144-B4FB-4863-A041-8F905A62C572}: the Internet.
extern const GUID IID_DestNetInternet;

HRESULT WINAPI ConnMgrEstablishConnection(CONNMGR_CONNECTIONINFO* pConnInfo, HANDLE* phConnection);
HRESULT WINAPI ConnMgrConnectionStatus(HANDLE hConnection, DWORD* pdwStatus);
HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache);

KELVANE_END_DECLS

#endif
