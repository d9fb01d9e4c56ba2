// The process-wide objects constructed during static initialisation, in this
// order (one translation unit fixes it): the cell source holder (which also
// checks the tower cache file), the GPS output object (which saves the
// Intermediate Driver's current driver) and the Wi-Fi scanner. The first that
// needs the settings creates the application state, so it exists before the
// window does. They are destroyed at process exit in the reverse order.
#include "core/cell_source_holder.h"
#include "output/gps_output.h"
#include "wifi/wifi_scanner.h"

namespace {
CellSourceHolder g_cell_source_holder;
GpsOutput g_gps_output;
WifiScanner g_wifi_scanner;
}  // namespace

CellSourceHolder& TheCellSourceHolder() { return g_cell_source_holder; }
GpsOutput& TheGpsOutput() { return g_gps_output; }
WifiScanner& TheWifiScanner() { return g_wifi_scanner; }
