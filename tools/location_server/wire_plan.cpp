#include "wire_plan.h"

namespace locserver {
namespace {

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Content Too Large";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

}  // namespace

WirePlan PlanWire(HttpAnswer answer, Service service, const FaultRule& rule, bool close_requested) {
  if (rule.malformed) answer.body.resize(answer.body.size() / 2);
  if (rule.oversize && answer.body.size() < kOversizeBodyBytes)
    answer.body.resize(kOversizeBodyBytes, service == Service::kBinaryCell ? '\0' : ' ');

  const bool close = close_requested || rule.no_content_length;
  std::string bytes = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) + "\r\n";
  bytes += "Content-Type: " + answer.content_type + "\r\n";
  if (!rule.no_content_length) bytes += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
  if (close) bytes += "Connection: close\r\n";
  bytes += "\r\n" + answer.body + std::string(static_cast<size_t>(rule.overrun), 'x');

  WirePlan plan;
  plan.after = close ? WirePlan::After::kClose : WirePlan::After::kKeepAlive;
  if (rule.overrun) plan.after = WirePlan::After::kHang;
  if (rule.silence) {
    plan.after = WirePlan::After::kHang;
    return plan;
  }
  const size_t half = bytes.size() / 2;
  if (rule.stall) {
    plan.steps.push_back({rule.delay_ms, bytes.substr(0, half)});
    plan.after = WirePlan::After::kHang;
  } else if (rule.pause_ms) {
    plan.steps.push_back({rule.delay_ms, bytes.substr(0, half)});
    plan.steps.push_back({rule.pause_ms, bytes.substr(half)});
  } else {
    plan.steps.push_back({rule.delay_ms, std::move(bytes)});
  }
  return plan;
}

}  // namespace locserver
