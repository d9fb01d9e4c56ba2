// The XML cell-ID protocol of GET /cellid_location/?&cellid=C&operatorid=N&countrycode=M&lac=A
//
// A known cell is answered with its position and a second point at the
// cell's range from it:
//   <coordinates latitude="55.751244" longitude="37.618423" nlatitude="55.7462978" nlongitude="37.618423"/>
// Clients take the distance between the two points as the accuracy, on a flat
// earth with 111195.32807025862 m per degree on both axes, computing in single
// precision from the numbers as written. The second point is chosen so that
// this computation gives the range exactly (for ranges up to
// CellTable::kMaxRange). Anything else is answered with a document holding
// "error", which clients take as an unknown cell.
#ifndef KELVANE_LOCSERVER_CELL_ID_XML_H
#define KELVANE_LOCSERVER_CELL_ID_XML_H

#include "cell_table.h"

#include <string>
#include <string_view>

namespace locserver {

constexpr double kMetresPerDegree = 111195.32807025862;

// The cell a query names; false with *error saying what is missing or wrong.
bool ParseXmlCellQuery(std::string_view query, CellKey* key, std::string* error);

std::string FormatXmlLocation(const CellLocation& location);
std::string FormatXmlError(int code, const std::string& text);

// The accuracy a client derives from the four numbers as written.
int32_t ClientFlatDistance(const std::string& latitude, const std::string& longitude, const std::string& nlatitude,
                           const std::string& nlongitude);

}  // namespace locserver

#endif
