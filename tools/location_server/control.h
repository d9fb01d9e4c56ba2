// The control interface on the server's own port, so that a running test can
// change the faults and read what the server received:
//   GET /_control      the fault rules in force, one a line ("none" for none)
//   POST /_control     replaces them: one RULE a line (faults.h); an empty
//                      body or the line "clear" removes them all; a bad line
//                      is refused with 400 and changes nothing
//   GET /_requests     the request log (request_log.h)
//   DELETE /_requests  empties the log
//   GET /_status       what became of the location requests (gateway_status.h)
// Control requests are neither faulted nor logged.
#ifndef KELVANE_LOCSERVER_CONTROL_H
#define KELVANE_LOCSERVER_CONTROL_H

#include "faults.h"
#include "gateway_status.h"
#include "http_answer.h"
#include "http_request.h"
#include "request_log.h"

namespace locserver {

bool IsControlRequest(const HttpRequest& request);
HttpAnswer AnswerControl(const HttpRequest& request, FaultPlan& faults, RequestLog& log, const GatewayStatus& status);

}  // namespace locserver

#endif
