#include "wifi/wifi_scanner.h"

// Until the access-point scan is built the device reports no Wi-Fi list at
// all: it never changes. The scan of the network adapters, the radio switch
// and the Wi-Fi cache will replace this.
int WifiScanner::Scan() { return -1; }

void WifiScanner::ClearList() {}
