// Windows wants winsock2.h before anything includes windows.h.
#include <winsock2.h>

#include "lookup/yandex_service.h"

#include <math.h>
#include <stdio.h>

#include "lookup/extract_between.h"
#include "lookup/http_exchange.h"
#include "lookup/service_position.h"
#include "settings/message_list.h"

namespace {

// Metres per degree on both axes: a flat earth is close enough for the
// small distance between the two points.
constexpr double kMetresPerDegree = 111195.32807025862;

struct Attribute {
  const char* marker;
  const WCHAR* missing;
};

constexpr Attribute kLatitude = {"latitude=\"", L"parse xml lat failed"};
constexpr Attribute kLongitude = {"longitude=\"", L"parse xml lon failed"};
constexpr Attribute kNorthLatitude = {"nlatitude=\"", L"parse xml nlat failed"};
constexpr Attribute kNorthLongitude = {"nlongitude=\"", L"parse xml nlon failed"};

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The offset of the first place where the marker is a whole attribute name,
// not the end of a longer one (the marker of latitude is the end of
// nlatitude's); -1 when there is none.
long FindAttribute(const char* body, size_t length, const char* marker) {
  for (size_t from = 0; from < length;) {
    const long at = FindText(body + from, length - from, marker);
    if (at < 0) return -1;
    const size_t found = from + static_cast<size_t>(at);
    if (found == 0 || !IsNameCharacter(body[found - 1])) return static_cast<long>(found);
    from = found + 1;
  }
  return -1;
}

bool ReadAttribute(const char* body, DWORD length, const Attribute& attribute, float* value) {
  const long at = FindAttribute(body, length, attribute.marker);
  if (at >= 0 && ExtractBetween(body + at, length - static_cast<size_t>(at), attribute.marker, "\"", value))
    return true;
  DiagnosticLog().Error(attribute.missing);
  return false;
}

}  // namespace

void FormatYandexTarget(const CellRecord& cell, char* target, size_t size) {
  snprintf(target, size, "/cellid_location/?&cellid=%d&operatorid=%d&countrycode=%d&lac=%d", cell.cell_id,
           cell.network, cell.country, cell.area);
}

int ReadYandexAnswer(const char* body, DWORD length, Position* out) {
  if (FindText(body, length, "error") >= 0) {
    DiagnosticLog().Warning(L"y: no tower");
    return -3;
  }
  float latitude, longitude, second_latitude, second_longitude;
  if (!ReadAttribute(body, length, kLatitude, &latitude) || !ReadAttribute(body, length, kLongitude, &longitude) ||
      !ReadAttribute(body, length, kNorthLatitude, &second_latitude) ||
      !ReadAttribute(body, length, kNorthLongitude, &second_longitude))
    return -10;
  // Both points on the globe also keep the distance far inside 32 bits.
  if (!IsOnGlobe(latitude, longitude) || !IsOnGlobe(second_latitude, second_longitude)) {
    DiagnosticLog().Warning(L"y: impossible position");
    return -3;
  }
  const double dy = static_cast<double>(latitude - second_latitude) * kMetresPerDegree;
  const double dx = static_cast<double>(longitude - second_longitude) * kMetresPerDegree;
  const float distance = static_cast<float>(sqrt(dx * dx + dy * dy));
  *out = Position{latitude, longitude, static_cast<int32_t>(distance)};
  return 0;
}

int ResolveYandex(const CellRecord& cell, Position* out) {
  DiagnosticLog().AppendText(L"inet y", kBlack);
  HttpExchange exchange;
  if (!exchange.OpenConnection(kYandexHost)) return -1;
  char target[160];
  FormatYandexTarget(cell, target, sizeof target);
  if (!exchange.SendRequestLine("GET", kYandexHost, target) || !exchange.SendHeader("User-Agent", "Mozilla/5.0") ||
      !exchange.SendHeader("Host", kYandexHost) || !exchange.SendText("\r\n", 0))
    return -1;
  if (!exchange.ReceiveResponse()) return -1;

  Position p;
  const int code = ReadYandexAnswer(exchange.Body(), exchange.ContentLength(), &p);
  return ReportServiceAnswer(L"inet y", cell, code, p, out);
}
