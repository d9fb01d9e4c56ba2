#include "map_page.h"

#include "markup_escape.h"
#include "nearby.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace locserver {
namespace {

const char kLeafletPrefix[] = "/leaflet/";

// Leaflet's own file names: letters, digits, '-', '.', and one "images/"
// folder; never "..", so no request leaves the folder.
bool IsLeafletName(const std::string& name) {
  const std::string file = name.rfind("images/", 0) == 0 ? name.substr(7) : name;
  if (file.empty() || file[0] == '.' || file.find("..") != std::string::npos) return false;
  for (char c : file)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_') return false;
  return true;
}

std::string ContentTypeOf(const std::string& name) {
  const auto ends = [&name](const std::string& suffix) {
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  if (ends(".js")) return "application/javascript";
  if (ends(".css")) return "text/css";
  if (ends(".png")) return "image/png";
  if (ends(".svg")) return "image/svg+xml";
  return "application/octet-stream";
}

}  // namespace

bool MapPage::Serves(const HttpRequest& request) const {
  return request.path == "/" || request.path == "/map.js" || request.path == "/map.css" ||
         request.path == "/_nearby" || request.path.rfind(kLeafletPrefix, 0) == 0;
}

HttpAnswer MapPage::Answer(const HttpRequest& request) const {
  if (request.method != "GET") return HttpAnswer{405, "text/plain", "use GET for " + request.path + "\n"};
  if (request.path == "/_nearby") {
    double latitude, longitude, radius;
    std::string error;
    if (!ParseNearbyQuery(request.query, &latitude, &longitude, &radius, &error))
      return HttpAnswer{400, "text/plain", error + "\n"};
    return HttpAnswer{200, "application/json", NearbyJson(cells_, access_points_, latitude, longitude, radius)};
  }
  if (request.path == "/") {
    HttpAnswer page = File(config_.web_dir + "/map.html", "text/html; charset=utf-8");
    const std::string marker = "@TILES@";
    const size_t at = page.body.find(marker);
    if (page.status == 200 && at != std::string::npos) page.body.replace(at, marker.size(), EscapeMarkup(config_.tiles));
    return page;
  }
  if (request.path == "/map.js" || request.path == "/map.css")
    return File(config_.web_dir + request.path, ContentTypeOf(request.path));
  const std::string name = request.path.substr(sizeof kLeafletPrefix - 1);
  if (!IsLeafletName(name)) return HttpAnswer{404, "text/plain", "no such file\n"};
  return File(config_.leaflet_dir + "/" + name, ContentTypeOf(name));
}

HttpAnswer MapPage::File(const std::string& path, const std::string& content_type) const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return HttpAnswer{404, "text/plain", "cannot read " + path + "\n"};
  std::ostringstream body;
  body << in.rdbuf();
  return HttpAnswer{200, content_type, body.str()};
}

}  // namespace locserver
