// What the server answers to each location request, before faults and the
// wire: the routing of paths to the three protocols, the lookups in the data
// and, for what the data do not know, the gateway to a living service. Every
// request is counted in the status (gateway_status.h). Safe from any number of
// threads.
#ifndef KELVANE_LOCSERVER_LOCATION_SERVICE_H
#define KELVANE_LOCSERVER_LOCATION_SERVICE_H

#include "access_point_table.h"
#include "cell_table.h"
#include "gateway.h"
#include "gateway_status.h"
#include "http_answer.h"
#include "http_request.h"

namespace locserver {

// Where answers come from: the data files, the gateway, or both (data first).
struct AnswerSources {
  bool local = true;
  Gateway* gateway = nullptr;  // null: no upstream
};

class LocationService {
 public:
  // The tables, the status and the gateway must outlive the service.
  LocationService(const CellTable& cells, const AccessPointTable& access_points, GatewayStatus& status,
                  AnswerSources sources = {})
      : cells_(cells), access_points_(access_points), status_(status), sources_(sources) {}

  static Service ServiceOf(const HttpRequest& request);

  // With unknown_cell, every lookup misses (a fault the tests ask for).
  HttpAnswer Answer(const HttpRequest& request, bool unknown_cell) const;

 private:
  HttpAnswer AnswerBinaryCell(const HttpRequest& request, bool unknown_cell) const;
  HttpAnswer AnswerXmlCell(const HttpRequest& request, bool unknown_cell) const;
  HttpAnswer AnswerWifiJson(const HttpRequest& request, bool unknown_cell) const;
  // A cell from the data, else from the gateway; counted.
  GeoAnswer LocateCell(Service service, const CellKey& key, bool unknown_cell) const;
  // What the gateway says to a geolocate request (not found without one); counted.
  GeoAnswer AskGateway(Service service, const std::string& request) const;

  const CellTable& cells_;
  const AccessPointTable& access_points_;
  GatewayStatus& status_;
  const AnswerSources sources_;
};

}  // namespace locserver

#endif
