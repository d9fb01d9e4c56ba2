// The cells and access points of the data near a point, for the map page:
//   GET /_nearby?lat=55.75&lon=37.61&radius=3000
//   {"cells":[{"mcc":250,"net":1,"area":7712,"cell":40031,"lat":55.751244,"lon":37.618423,"range":1200}],
//    "access_points":[{"mac":"00:1a:2b:3c:4d:01","lat":55.7513,"lon":37.6185,"accuracy":35}]}
// Nearest first, at most kMaxNearby of each kind; the radius (metres) is
// capped at kMaxNearbyRadius.
#ifndef KELVANE_LOCSERVER_NEARBY_H
#define KELVANE_LOCSERVER_NEARBY_H

#include "access_point_table.h"
#include "cell_table.h"

#include <string>
#include <string_view>

namespace locserver {

constexpr size_t kMaxNearby = 200;
constexpr double kMaxNearbyRadius = 50000;

// False with *error when the query lacks a number or holds one off the globe.
bool ParseNearbyQuery(std::string_view query, double* latitude, double* longitude, double* radius, std::string* error);

std::string NearbyJson(const CellTable& cells, const AccessPointTable& access_points, double latitude,
                       double longitude, double radius);

}  // namespace locserver

#endif
