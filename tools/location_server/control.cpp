#include "control.h"

#include <sstream>

namespace locserver {
namespace {

std::string RulesText(const FaultPlan& faults) {
  std::string text;
  for (const FaultRule& rule : faults.Rules()) text += DescribeFaultRule(rule) + "\n";
  return text.empty() ? "none\n" : text;
}

HttpAnswer ReplaceRules(const std::string& body, FaultPlan& faults) {
  std::vector<FaultRule> rules;
  std::istringstream lines(body);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line == "clear") continue;
    FaultRule rule;
    std::string error;
    if (!ParseFaultRule(line, &rule, &error))
      return HttpAnswer{400, "text/plain", "line " + std::to_string(number) + ": " + error + "\n"};
    rules.push_back(rule);
  }
  faults.Replace(std::move(rules));
  return HttpAnswer{200, "text/plain", RulesText(faults)};
}

}  // namespace

bool IsControlRequest(const HttpRequest& request) {
  return request.path == "/_control" || request.path == "/_requests" || request.path == "/_status";
}

HttpAnswer AnswerControl(const HttpRequest& request, FaultPlan& faults, RequestLog& log, const GatewayStatus& status) {
  if (request.path == "/_status") {
    if (request.method == "GET") return HttpAnswer{200, "application/json", status.ToJson()};
  } else if (request.path == "/_control") {
    if (request.method == "GET") return HttpAnswer{200, "text/plain", RulesText(faults)};
    if (request.method == "POST") return ReplaceRules(request.body, faults);
  } else {
    if (request.method == "GET") return HttpAnswer{200, "application/octet-stream", log.Text()};
    if (request.method == "DELETE") {
      log.Clear();
      return HttpAnswer{200, "text/plain", "cleared\n"};
    }
  }
  return HttpAnswer{405, "text/plain", "method " + request.method + " not allowed on " + request.path + "\n"};
}

}  // namespace locserver
