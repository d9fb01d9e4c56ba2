// The web map page, on whatever host name the request names (so a device's
// hosts table can send the program's web-map host here):
//   GET /                    the page (web/map.html); it reads #lat=..&lon=..&z=..
//   GET /map.js, /map.css    its script and style (web/)
//   GET /leaflet/NAME        Leaflet, from the folder the system's package installs
//   GET /_nearby?...         the data near a point (nearby.h)
// The page draws tiles from the tile URL when the browser reaches it, and
// the position, the nearby cells and access points and a scale without.
// Files are read at each request; safe from any number of threads.
#ifndef KELVANE_LOCSERVER_MAP_PAGE_H
#define KELVANE_LOCSERVER_MAP_PAGE_H

#include "access_point_table.h"
#include "cell_table.h"
#include "http_answer.h"
#include "http_request.h"

#include <string>

namespace locserver {

struct MapPageConfig {
  std::string web_dir;      // map.html, map.js, map.css
  std::string leaflet_dir;  // leaflet.js, leaflet.css, images/
  std::string tiles;        // tile URL template ({z}/{x}/{y}); empty: no tiles
};

class MapPage {
 public:
  // The tables must outlive the page.
  MapPage(const CellTable& cells, const AccessPointTable& access_points, MapPageConfig config)
      : cells_(cells), access_points_(access_points), config_(std::move(config)) {}

  bool Serves(const HttpRequest& request) const;
  HttpAnswer Answer(const HttpRequest& request) const;

 private:
  HttpAnswer File(const std::string& path, const std::string& content_type) const;

  const CellTable& cells_;
  const AccessPointTable& access_points_;
  const MapPageConfig config_;
};

}  // namespace locserver

#endif
