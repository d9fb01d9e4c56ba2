// Remote access (dial-up) connections: the part of the SDK's ras.h the
// program uses.
//
// Sizes differ from the device's: WCHAR is 4 bytes here and HRASCONN a
// 64-bit pointer, so RASCONN is 104 bytes (52 on the device) and
// RASCONNSTATUS 596 (304 on the device). Callers set dwSize to sizeof the
// structure and size buffers with sizeof, never with the device's numbers.
// The SDK packs these records to 4 bytes, which on the 32-bit device changes
// nothing; here it would leave hrasconn misaligned, so they keep their natural
// alignment (4 bytes of padding after dwSize).
#ifndef KELVANE_RAS_H
#define KELVANE_RAS_H

#include <windows.h>
#include <raserror.h>

#define RAS_MaxEntryName 20
#define RAS_MaxDeviceName 128
#define RAS_MaxDeviceType 16

DECLARE_HANDLE(HRASCONN);
typedef HRASCONN* LPHRASCONN;

typedef struct tagRASCONNW {
  DWORD dwSize;
  HRASCONN hrasconn;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
} RASCONNW, *LPRASCONNW;
typedef RASCONNW RASCONN;
typedef LPRASCONNW LPRASCONN;

#define RASCS_PAUSED 0x1000
#define RASCS_DONE 0x2000

typedef enum tagRASCONNSTATE {
  RASCS_OpenPort = 0,
  RASCS_PortOpened,
  RASCS_ConnectDevice,
  RASCS_DeviceConnected,
  RASCS_AllDevicesConnected,
  RASCS_Authenticate,
  RASCS_AuthNotify,
  RASCS_AuthRetry,
  RASCS_AuthCallback,
  RASCS_AuthChangePassword,
  RASCS_AuthProject,
  RASCS_AuthLinkSpeed,
  RASCS_AuthAck,
  RASCS_ReAuthenticate,
  RASCS_Authenticated,
  RASCS_PrepareForCallback,
  RASCS_WaitForModemReset,
  RASCS_WaitForCallback,
  RASCS_Projected,

  RASCS_Interactive = RASCS_PAUSED,
  RASCS_RetryAuthentication,
  RASCS_CallbackSetByCaller,
  RASCS_PasswordExpired,

  RASCS_Connected = RASCS_DONE,
  RASCS_Disconnected
} RASCONNSTATE, *LPRASCONNSTATE;

typedef struct tagRASCONNSTATUSW {
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNSTATUSW, *LPRASCONNSTATUSW;
typedef RASCONNSTATUSW RASCONNSTATUS;
typedef LPRASCONNSTATUSW LPRASCONNSTATUS;

KELVANE_BEGIN_DECLS

DWORD APIENTRY RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections);
DWORD APIENTRY RasGetConnectStatus(HRASCONN hrasconn, LPRASCONNSTATUS lprasconnstatus);

KELVANE_END_DECLS

#endif
