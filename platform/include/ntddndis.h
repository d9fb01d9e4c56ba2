// NDIS object identifiers and the 802.11 BSSID list they answer.
#ifndef KELVANE_NTDDNDIS_H
#define KELVANE_NTDDNDIS_H

#include <windef.h>

typedef ULONG NDIS_OID;

#define OID_802_11_BSSID_LIST 0x0D010217

#define NDIS_802_11_LENGTH_SSID 32

typedef struct _NDIS_802_11_SSID {
  ULONG SsidLength;
  UCHAR Ssid[NDIS_802_11_LENGTH_SSID];
} NDIS_802_11_SSID;

typedef struct _NDIS_802_11_CONFIGURATION {
  ULONG Length;
  ULONG BeaconPeriod;
  ULONG ATIMWindow;
  ULONG DSConfig;
  struct {
    ULONG Length;
    ULONG HopPattern;
    ULONG HopSet;
    ULONG DwellTime;
  } FHConfig;
} NDIS_802_11_CONFIGURATION;

// One item of the list; an item's Length may exceed this size (a driver may
// append information elements), and the next item starts Length bytes on.
// No pointers: the layout is the same on the device and on this host.
typedef struct _NDIS_WLAN_BSSID {
  ULONG Length;
  UCHAR MacAddress[6];
  UCHAR Reserved[2];
  NDIS_802_11_SSID Ssid;
  ULONG Privacy;
  LONG Rssi;  // dBm
  ULONG NetworkTypeInUse;
  NDIS_802_11_CONFIGURATION Configuration;
  ULONG InfrastructureMode;
  UCHAR SupportedRates[8];
} NDIS_WLAN_BSSID;

typedef struct _NDIS_802_11_BSSID_LIST {
  ULONG NumberOfItems;
  NDIS_WLAN_BSSID Bssid[1];
} NDIS_802_11_BSSID_LIST;

#endif
