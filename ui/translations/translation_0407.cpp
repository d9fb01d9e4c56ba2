// German translation library: the program's string table in German, loaded
// as translation.dll.0407.mui when the device's language is 0x0407.
#include <windows.h>

#include "kelvane_module.h"
#include "ui/resource_ids.h"
#include "ui/resource_layout.h"
#include "ui/web_map.h"

KELVANE_STRING_TABLE(
    {IDS_MENU, L"Men\u00fc"},
    {IDS_QUIT, L"Beenden"},
    {IDS_PORT, L"Anschluss: "},
    {IDS_ON, L"Ein"},
    {IDS_OFF, L"Aus"},
    {IDS_DRIVER, L"Treiber: "},
    {IDS_GPS, L"GPS: "},
    {IDS_LATITUDE, L"Breite: "},
    {IDS_LONGITUDE, L"L\u00e4nge: "},
    {IDS_TRAFFIC, L"Internetverkehr: %0.1f kB"},
    {IDS_ACCURACY, L"Genauigkeit: %dm"},
    {IDS_CELLULAR, L"Funkzellenortung:"},
    {IDS_WIFI, L"WLAN-Ortung:"},
    {IDS_NO_INTERNET, L"keine Internetverbindung"},
    {IDS_TEMPORARY_UNAVAILABLE, L"Position vor\u00fcbergehend nicht verf\u00fcgbar"},
    {IDS_NO_HOTSPOTS, L"keine Zugangspunkte in der N\u00e4he oder Adapter aus"},
    {IDS_NOT_SUPPORTED, L"Ger\u00e4t wird nicht unterst\u00fctzt"},
    {IDS_UNKNOWN_PROBLEM, L"unbekanntes Problem"},
    {IDS_LOADING, L"Laden..."})

KELVANE_RESOURCES_DEFINITION {
  return ProgramResources({L"Men\u00fc", L"Karten", WEB_MAP_NAME, L"Optionen", L"WLAN eingeschaltet lassen", L"Hilfe",
                           L"\u00dcber", L"Liesmich", L"Protokoll", L"Anzeigen", L"In Datei speichern"});
}
