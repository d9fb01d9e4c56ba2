// The XML cell-ID service: GET /cellid_location/?&cellid=..&operatorid=..
// &countrycode=..&lac=.. answered by an XML document. Only the word "error"
// and four attributes are read, each as name="value":
//   latitude, longitude    the cell's position, degrees
//   nlatitude, nlongitude  a second point; its distance from the first is
//                          the accuracy radius
// The attributes are found by plain text search from the start of the
// document, so when nlatitude comes first, the search for latitude="
// finds it inside nlatitude=" and reads that value (likewise longitude).
#ifndef KELVANE_LOOKUP_YANDEX_SERVICE_H
#define KELVANE_LOOKUP_YANDEX_SERVICE_H

#include <windows.h>

#include <stddef.h>

#include "cell/cell_record.h"
#include "core/position.h"

constexpr char kYandexHost[] = "mobile.maps.yandex.net";

// The request target (path and query) for a cell.
void FormatYandexTarget(const CellRecord& cell, char* target, size_t size);

// 0 with out set; -3 when the service does not know the cell; -10 when an
// attribute is missing (all logged).
int ReadYandexAnswer(const char* body, DWORD length, Position* out);

// 0 with out set; -1 connection or transfer failure; -3 cell not known;
// -10 unparsable answer.
int ResolveYandex(const CellRecord& cell, Position* out);

#endif
