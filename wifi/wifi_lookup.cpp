// Windows wants winsock2.h before anything includes windows.h.
#include <winsock2.h>

#include "wifi/wifi_lookup.h"

#include <stdio.h>

#include "lookup/http_exchange.h"
#include "settings/message_list.h"
#include "wifi/location_request.h"
#include "wifi/location_response.h"
#include "wifi/wifi_cache.h"

namespace {

constexpr WCHAR kToken[] = L"plain ticket";
constexpr WCHAR kAddressLanguage[] = L"en-GB";

// Sends the request; false at the first part that fails.
bool SendRequest(HttpExchange& exchange, const std::string& body) {
  char length[32];
  snprintf(length, sizeof length, "%d", static_cast<int>(body.size()));
  // The body goes with its length: an SSID may carry a zero byte.
  return exchange.SendRequestLine("POST", kWifiServiceHost, "/loc/json") &&
         exchange.SendHeader("User-Agent", "Mozilla/5.0") && exchange.SendHeader("Host", kWifiServiceHost) &&
         exchange.SendHeader("Content-Length", length) && exchange.SendHeader("Content-Type", "application/json") &&
         exchange.SendText("\r\n", 0) && exchange.SendText(body.data(), static_cast<DWORD>(body.size()));
}

// The one network request for the access points; the codes of
// ResolveWifiPosition.
int LocateOnline(const AccessPointList& list, Position* out) {
  if (list.empty()) return -2;
  DiagnosticLog().AppendText(L"inet w", kBlack);
  std::string body;
  const std::wstring host(kWifiServiceHost, kWifiServiceHost + sizeof kWifiServiceHost - 1);
  if (!BuildRequest(host, kToken, CellPart(), list, kAddressLanguage, &body)) {
    DiagnosticLog().Error(L"WiFi, Can't create request string");
    return -10;
  }
  HttpExchange exchange;
  if (!exchange.OpenConnection(kWifiServiceHost) || !SendRequest(exchange, body) || !exchange.ReceiveResponse())
    return -1;
  LocationResult result;
  std::wstring token;
  if (!ParseResponse(std::string(exchange.Body(), exchange.ContentLength()), &result, &token) ||
      !CheckLocation(result)) {
    DiagnosticLog().Warning(L"WiFi, the service's answer holds no usable position");
    return -3;
  }
  *out = Position{static_cast<float>(result.latitude), static_cast<float>(result.longitude),
                  static_cast<int32_t>(result.accuracy)};
  WCHAR line[512];
  swprintf(line, 512, L"inet w: %f %f %f", result.latitude, result.longitude, result.accuracy);
  DiagnosticLog().AppendText(line, kBlack);
  return 0;
}

}  // namespace

int ResolveWifiPosition(const AccessPointList& list, Position* out) {
  LONG offset = -1;
  const int cached = LookupCache(list, out, &offset);
  if (cached == -1 || cached == -3) {
    const int code = LocateOnline(list, out);
    if (code == 0) StoreCache(list, *out);
    return code;
  }
  if (cached == -2) {
    if (LocateOnline(list, out) == 0) StoreCache(list, *out);
    return 0;
  }
  return cached == 0 ? 0 : -10;
}
