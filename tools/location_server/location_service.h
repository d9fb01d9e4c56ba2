// What the server answers to each location request, before faults and the
// wire: the routing of paths to the three protocols and the lookups in the
// data. Stateless; safe from any number of threads.
#ifndef KELVANE_LOCSERVER_LOCATION_SERVICE_H
#define KELVANE_LOCSERVER_LOCATION_SERVICE_H

#include "access_point_table.h"
#include "cell_table.h"
#include "http_answer.h"
#include "http_request.h"

namespace locserver {

class LocationService {
 public:
  // The tables must outlive the service.
  LocationService(const CellTable& cells, const AccessPointTable& access_points)
      : cells_(cells), access_points_(access_points) {}

  static Service ServiceOf(const HttpRequest& request);

  // With unknown_cell, every lookup misses (a fault the tests ask for).
  HttpAnswer Answer(const HttpRequest& request, bool unknown_cell) const;

 private:
  HttpAnswer AnswerBinaryCell(const HttpRequest& request, bool unknown_cell) const;
  HttpAnswer AnswerXmlCell(const HttpRequest& request, bool unknown_cell) const;
  HttpAnswer AnswerWifiJson(const HttpRequest& request, bool unknown_cell) const;

  const CellTable& cells_;
  const AccessPointTable& access_points_;
};

}  // namespace locserver

#endif
