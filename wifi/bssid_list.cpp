#include "wifi/bssid_list.h"

#include "lookup/little_endian.h"
#include "settings/message_list.h"
#include "wifi/utf_text.h"

namespace {

constexpr DWORD kMacAt = 4;
constexpr DWORD kSsidLengthAt = 12;
constexpr DWORD kSsidAt = 16;
constexpr DWORD kSsidField = 32;
constexpr DWORD kRssiAt = 52;

using little_endian::Get32;

AccessPoint ReadItem(const BYTE* item) {
  AccessPoint point;
  point.mac_address = FormatMac(item + kMacAt);
  point.signal_strength = static_cast<int32_t>(Get32(item + kRssiAt));
  // A count beyond the field would read the next fields as text.
  const uint32_t ssid_length = Get32(item + kSsidLengthAt);
  if (ssid_length <= kSsidField)
    Utf8ToUtf16(std::string(reinterpret_cast<const char*>(item + kSsidAt), ssid_length), &point.ssid);
  return point;
}

}  // namespace

void ParseBssidList(const BYTE* data, DWORD length, AccessPointList* list) {
  if (length < 4) return;
  const uint32_t count = Get32(data);
  DWORD at = 4;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t item_length = length - at >= 4 ? Get32(data + at) : 0;
    if (item_length < kBssidItemMinimum || item_length > length - at) {
      WCHAR warning[96];
      swprintf(warning, 96, L"WiFi, BSSID list item %u of %u is damaged", i + 1, count);
      DiagnosticLog().Warning(warning);
      return;
    }
    const AccessPoint point = ReadItem(data + at);
    list->push_back(point);
    WCHAR line[512];
    swprintf(line, 512, L"%ls %ls %d", point.mac_address.c_str(), point.ssid.c_str(), point.signal_strength);
    DiagnosticLog().Append(line, kBlack);
    at += item_length;
  }
}
