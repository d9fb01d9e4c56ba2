#include "lookup/resolve_online.h"

#include "lookup/google_service.h"
#include "lookup/yandex_service.h"

namespace {

bool HasSecondService(int country) { return country == 250 || country == 255; }

}  // namespace

int ResolveOnline(const CellRecord& cell, Position* out) {
  Position google = kNoPosition;
  const int google_code = ResolveGoogle(cell, &google);
  if (!HasSecondService(cell.country)) {
    if (google_code != 0) return google_code;
    *out = google;
    return 0;
  }
  Position yandex = kNoPosition;
  const int yandex_code = ResolveYandex(cell, &yandex);
  if (google_code != 0 && yandex_code != 0) return yandex_code;
  // A service that failed loses whatever the other answered (even an
  // accuracy of "no result", which must not let the failed one's empty
  // position through); on equal accuracy the second service's answer wins.
  if (google_code != 0)
    *out = yandex;
  else if (yandex_code != 0)
    *out = google;
  else
    *out = google.accuracy < yandex.accuracy ? google : yandex;
  return 0;
}
