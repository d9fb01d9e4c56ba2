// Radio Interface Layer: the part of the SDK's ril.h the program uses.
// The entry points live in "ril.dll", which callers load at run time.
#ifndef KELVANE_RIL_H
#define KELVANE_RIL_H

#include <windows.h>

// Error classes: bits 8-15 of a RIL error's code.
#define RIL_ERRORCLASS_NETWORKACCESS 0x03
#define RIL_ERRORCLASS_RADIOUNAVAILABLE 0x0D

#define MAKE_RILERROR(errclass, code) (((unsigned long)(errclass) << 8) | ((unsigned long)(code)))
#define RILERRORCLASS(rilerror) ((unsigned long)(((rilerror) >> 8) & 0xff))

#define FACILITY_RIL 0x100

#define RIL_E_NONETWORKSVC \
  (MAKE_HRESULT(SEVERITY_ERROR, FACILITY_RIL, MAKE_RILERROR(RIL_ERRORCLASS_NETWORKACCESS, 0x1a)))
#define RIL_E_RADIONOTPRESENT \
  (MAKE_HRESULT(SEVERITY_ERROR, FACILITY_RIL, MAKE_RILERROR(RIL_ERRORCLASS_RADIOUNAVAILABLE, 0x5f)))
#define RIL_E_RADIOOFF (MAKE_HRESULT(SEVERITY_ERROR, FACILITY_RIL, MAKE_RILERROR(RIL_ERRORCLASS_RADIOUNAVAILABLE, 0x60)))

// Notification classes (RIL_Initialize's dwNotificationClasses).
#define RIL_NCLASS_FUNCRESULT 0x00000000
#define RIL_NCLASS_ALL 0x00ff0000
#define RIL_NCLASS_DEVSPECIFIC 0x80000000

// Result codes passed to the result callback.
#define RIL_RESULT_OK (0x00000001 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_NOCARRIER (0x00000002 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_ERROR (0x00000003 | RIL_NCLASS_FUNCRESULT)  // lpData points to a RIL_E_* HRESULT
#define RIL_RESULT_NODIALTONE (0x00000004 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_BUSY (0x00000005 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_NOANSWER (0x00000006 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_CALLABORTED (0x00000007 | RIL_NCLASS_FUNCRESULT)
#define RIL_RESULT_CALLDROPPED (0x00000008 | RIL_NCLASS_FUNCRESULT)

// RILCELLTOWERINFO.dwParams: which members are valid.
#define RIL_PARAM_CTI_MOBILECOUNTRYCODE 0x00000001
#define RIL_PARAM_CTI_MOBILENETWORKCODE 0x00000002
#define RIL_PARAM_CTI_LOCATIONAREACODE 0x00000004
#define RIL_PARAM_CTI_CELLID 0x00000008
#define RIL_PARAM_CTI_BASESTATIONID 0x00000010
#define RIL_PARAM_CTI_BROADCASTCONTROLCHANNEL 0x00000020
#define RIL_PARAM_CTI_RXLEVEL 0x00000040
#define RIL_PARAM_CTI_RXLEVELFULL 0x00000080
#define RIL_PARAM_CTI_RXLEVELSUB 0x00000100
#define RIL_PARAM_CTI_RXQUALITY 0x00000200
#define RIL_PARAM_CTI_RXQUALITYFULL 0x00000400
#define RIL_PARAM_CTI_RXQUALITYSUB 0x00000800
#define RIL_PARAM_CTI_IDLETIMESLOT 0x00001000
#define RIL_PARAM_CTI_TIMINGADVANCE 0x00002000
#define RIL_PARAM_CTI_GPRSCELLID 0x00004000
#define RIL_PARAM_CTI_GPRSBASESTATIONID 0x00008000
#define RIL_PARAM_CTI_NUMBCCH 0x00010000
#define RIL_PARAM_CTI_NMR 0x00020000
#define RIL_PARAM_CTI_BCCH 0x00040000
#define RIL_PARAM_CTI_ALL 0x0007ffff

#define MAXLENGTH_BCCH 48
#define MAXLENGTH_NMR 16

typedef HANDLE HRIL, *LPHRIL;

typedef struct {
  DWORD cbSize;
  DWORD dwParams;
  DWORD dwMobileCountryCode;
  DWORD dwMobileNetworkCode;
  DWORD dwLocationAreaCode;
  DWORD dwCellID;
  DWORD dwBaseStationID;
  DWORD dwBroadcastControlChannel;
  DWORD dwRxLevel;
  DWORD dwRxLevelFull;
  DWORD dwRxLevelSub;
  DWORD dwRxQuality;
  DWORD dwRxQualityFull;
  DWORD dwRxQualitySub;
  DWORD dwIdleTimeSlot;
  DWORD dwTimingAdvance;
  DWORD dwGPRSCellID;
  DWORD dwGPRSBaseStationID;
  DWORD dwNumBCCH;
  BYTE rgbBCCH[MAXLENGTH_BCCH];
  BYTE rgbNMR[MAXLENGTH_NMR];
} RILCELLTOWERINFO, *LPRILCELLTOWERINFO;

// Answers to commands: dwCode is a RIL_RESULT_* code, hrCmdID the identifier
// the command returned; lpData is valid only during the call.
typedef void(CALLBACK* RILRESULTCALLBACK)(DWORD dwCode, HRESULT hrCmdID, const void* lpData, DWORD cbData,
                                          DWORD dwParam);
typedef void(CALLBACK* RILNOTIFYCALLBACK)(DWORD dwCode, const void* lpData, DWORD cbData, DWORD dwParam);

KELVANE_BEGIN_DECLS

HRESULT RIL_Initialize(DWORD dwIndex, RILRESULTCALLBACK pfnResult, RILNOTIFYCALLBACK pfnNotify,
                       DWORD dwNotificationClasses, DWORD dwParam, HRIL* lphRil);
HRESULT RIL_Deinitialize(HRIL hRil);
HRESULT RIL_GetCellTowerInfo(HRIL hRil);
HRESULT RIL_DevSpecific(HRIL hRil, const BYTE* lpbParams, DWORD dwSize);

KELVANE_END_DECLS

#endif
