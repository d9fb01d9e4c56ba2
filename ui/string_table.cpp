// The program's string table and menu resources (English). A translation
// library carries the same identifiers in another language.
#include <windows.h>

#include "kelvane_module.h"
#include "ui/resource_ids.h"
#include "ui/resource_layout.h"
#include "ui/web_map.h"

KELVANE_STRING_TABLE(
    {IDS_MENU, L"Menu"},
    {IDS_QUIT, L"Quit"},
    {IDS_PORT, L"port: "},
    {IDS_ON, L"On"},
    {IDS_OFF, L"Off"},
    {IDS_DRIVER, L"driver: "},
    {IDS_GPS, L"GPS: "},
    {IDS_LATITUDE, L"latitude: "},
    {IDS_LONGITUDE, L"longitude: "},
    {IDS_TRAFFIC, L"internet traffic: %0.1f kB"},
    {IDS_ACCURACY, L"accuracy: %dm"},
    {IDS_CELLULAR, L"Cellular triangulation:"},
    {IDS_WIFI, L"Wi-Fi triangulation:"},
    {IDS_NO_INTERNET, L"no internet connection"},
    {IDS_TEMPORARY_UNAVAILABLE, L"position is temporary unavailable"},
    {IDS_NO_HOTSPOTS, L"no hotspots around or adapter is disabled"},
    {IDS_NOT_SUPPORTED, L"device is not supported"},
    {IDS_UNKNOWN_PROBLEM, L"unknown problem"},
    {IDS_LOADING, L"Loading..."})

KELVANE_RESOURCES_DEFINITION {
  return ProgramResources({L"Menu", L"Maps", WEB_MAP_NAME, L"Options", L"Keep Wi-Fi On", L"Help", L"About", L"ReadMe",
                           L"Log", L"Show", L"Save To File"});
}
