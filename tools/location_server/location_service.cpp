#include "location_service.h"

#include "cell_id_binary.h"
#include "cell_id_xml.h"
#include "geolocate_protocol.h"
#include "wifi_json.h"
#include "wifi_privacy.h"

#include <algorithm>
#include <cmath>

namespace locserver {
namespace {

HttpAnswer Text(int status, const std::string& text) { return HttpAnswer{status, "text/plain", text + "\n"}; }

GeoAnswer NotFound() { return GeoAnswer{GeoAnswer::Kind::kNotFound, 0, 0, 0, ""}; }

// The cell protocols carry whole metres up to the range the XML form can express.
CellLocation CellLocationOf(const GeoAnswer& answer) {
  const double metres = std::clamp(std::ceil(answer.accuracy), 0.0, static_cast<double>(CellTable::kMaxRange));
  return CellLocation{answer.latitude, answer.longitude, static_cast<int32_t>(metres)};
}

constexpr int kUpstreamFailedStatus = 502;

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

GeoAnswer LocationService::AskGateway(Service service, const std::string& request) const {
  if (!sources_.gateway) {
    status_.Count(service, Outcome::kNotFound);
    return NotFound();
  }
  const Gateway::Result result = sources_.gateway->Ask(request);
  if (result.source == Gateway::Source::kThrottle) status_.Count(service, Outcome::kRateLimited);
  if (result.answer.kind == GeoAnswer::Kind::kFailed) {
    status_.Count(service, Outcome::kFailed);
  } else if (result.source == Gateway::Source::kCache) {
    status_.Count(service, Outcome::kCached);
  } else {
    status_.Count(service, result.answer.kind == GeoAnswer::Kind::kFound ? Outcome::kUpstream : Outcome::kNotFound);
  }
  return result.answer;
}

GeoAnswer LocationService::LocateCell(Service service, const CellKey& key, bool unknown_cell) const {
  status_.Count(service, Outcome::kAsked);
  if (unknown_cell) {
    status_.Count(service, Outcome::kNotFound);
    return NotFound();
  }
  if (const CellLocation* location = sources_.local ? cells_.Find(key) : nullptr) {
    status_.Count(service, Outcome::kLocal);
    return GeoAnswer{GeoAnswer::Kind::kFound, location->latitude, location->longitude,
                     static_cast<double>(location->range), ""};
  }
  return AskGateway(service, GeolocateCellRequest(key));
}

HttpAnswer LocationService::AnswerBinaryCell(const HttpRequest& request, bool unknown_cell) const {
  CellKey key;
  std::string error;
  if (!DecodeBinaryRequest(request.body, &key, &error)) return Text(400, "bad cell request: " + error);
  const GeoAnswer answer = LocateCell(Service::kBinaryCell, key, unknown_cell);
  switch (answer.kind) {
    case GeoAnswer::Kind::kFound: {
      const CellLocation location = CellLocationOf(answer);
      return HttpAnswer{200, "application/binary", EncodeBinaryAnswer(&location)};
    }
    case GeoAnswer::Kind::kNotFound: return HttpAnswer{200, "application/binary", EncodeBinaryAnswer(nullptr)};
    case GeoAnswer::Kind::kFailed: break;
  }
  return HttpAnswer{kUpstreamFailedStatus, "application/binary", EncodeBinaryFailure()};
}

HttpAnswer LocationService::AnswerXmlCell(const HttpRequest& request, bool unknown_cell) const {
  CellKey key;
  std::string error;
  if (!ParseXmlCellQuery(request.query, &key, &error)) return HttpAnswer{400, "text/xml", FormatXmlError(400, error)};
  const GeoAnswer answer = LocateCell(Service::kXmlCell, key, unknown_cell);
  switch (answer.kind) {
    case GeoAnswer::Kind::kFound: return HttpAnswer{200, "text/xml", FormatXmlLocation(CellLocationOf(answer))};
    case GeoAnswer::Kind::kNotFound: return HttpAnswer{200, "text/xml", FormatXmlError(404, "cell not found")};
    case GeoAnswer::Kind::kFailed: break;
  }
  return HttpAnswer{kUpstreamFailedStatus, "text/xml", FormatXmlError(kUpstreamFailedStatus, answer.detail)};
}

HttpAnswer LocationService::AnswerWifiJson(const HttpRequest& request, bool unknown_cell) const {
  std::vector<WifiObservation> seen;
  std::string error;
  if (!ParseWifiObservations(request.body, &seen, &error))
    return HttpAnswer{400, "application/json", FormatWifiError(error)};
  const Service service = Service::kWifiJson;
  status_.Count(service, Outcome::kAsked);
  if (unknown_cell) {
    status_.Count(service, Outcome::kNotFound);
    return HttpAnswer{200, "application/json", FormatWifiAnswer(std::nullopt)};
  }
  std::vector<uint64_t> macs;
  for (const WifiObservation& ap : seen) macs.push_back(ap.mac);
  if (const auto fix = sources_.local ? LocateAccessPoints(access_points_, macs) : std::nullopt) {
    status_.Count(service, Outcome::kLocal);
    return HttpAnswer{200, "application/json", FormatWifiAnswer(fix)};
  }
  const std::vector<WifiObservation> shared = ShareableAccessPoints(seen);
  GeoAnswer answer = NotFound();
  if (shared.empty()) {
    status_.Count(service, Outcome::kNotFound);
  } else {
    answer = AskGateway(service, GeolocateWifiRequest(shared));
  }
  switch (answer.kind) {
    case GeoAnswer::Kind::kFound:
      return HttpAnswer{200, "application/json", FormatWifiAnswer(WifiFix{answer.latitude, answer.longitude,
                                                                          answer.accuracy})};
    case GeoAnswer::Kind::kNotFound: return HttpAnswer{200, "application/json", FormatWifiAnswer(std::nullopt)};
    case GeoAnswer::Kind::kFailed: break;
  }
  return HttpAnswer{kUpstreamFailedStatus, "application/json", FormatWifiError(answer.detail)};
}

}  // namespace locserver
