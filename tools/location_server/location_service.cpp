#include "location_service.h"

#include "cell_id_binary.h"
#include "cell_id_xml.h"
#include "wifi_json.h"

namespace locserver {
namespace {

HttpAnswer Text(int status, const std::string& text) { return HttpAnswer{status, "text/plain", text + "\n"}; }

}  // namespace

Service LocationService::ServiceOf(const HttpRequest& request) {
  if (request.path == "/glm/mmap") return Service::kBinaryCell;
  if (request.path == "/cellid_location/" || request.path == "/cellid_location") return Service::kXmlCell;
  if (request.path == "/loc/json") return Service::kWifiJson;
  return Service::kNone;
}

HttpAnswer LocationService::Answer(const HttpRequest& request, bool unknown_cell) const {
  switch (ServiceOf(request)) {
    case Service::kBinaryCell:
      if (request.method != "POST") return Text(405, "use POST for " + request.path);
      return AnswerBinaryCell(request, unknown_cell);
    case Service::kXmlCell:
      if (request.method != "GET") return Text(405, "use GET for " + request.path);
      return AnswerXmlCell(request, unknown_cell);
    case Service::kWifiJson:
      if (request.method != "POST") return Text(405, "use POST for " + request.path);
      return AnswerWifiJson(request, unknown_cell);
    case Service::kNone: break;
  }
  return Text(404, "no location service at " + request.path);
}

HttpAnswer LocationService::AnswerBinaryCell(const HttpRequest& request, bool unknown_cell) const {
  CellKey key;
  std::string error;
  if (!DecodeBinaryRequest(request.body, &key, &error)) return Text(400, "bad cell request: " + error);
  return HttpAnswer{200, "application/binary", EncodeBinaryAnswer(unknown_cell ? nullptr : cells_.Find(key))};
}

HttpAnswer LocationService::AnswerXmlCell(const HttpRequest& request, bool unknown_cell) const {
  CellKey key;
  std::string error;
  if (!ParseXmlCellQuery(request.query, &key, &error)) return HttpAnswer{400, "text/xml", FormatXmlError(400, error)};
  const CellLocation* location = unknown_cell ? nullptr : cells_.Find(key);
  if (!location) return HttpAnswer{200, "text/xml", FormatXmlError(404, "cell not found")};
  return HttpAnswer{200, "text/xml", FormatXmlLocation(*location)};
}

HttpAnswer LocationService::AnswerWifiJson(const HttpRequest& request, bool unknown_cell) const {
  std::vector<uint64_t> macs;
  std::string error;
  if (!ParseWifiRequest(request.body, &macs, &error))
    return HttpAnswer{400, "application/json", FormatWifiError(error)};
  if (unknown_cell) macs.clear();
  return HttpAnswer{200, "application/json", FormatWifiAnswer(LocateAccessPoints(access_points_, macs))};
}

}  // namespace locserver
