// Faults the server puts into its answers to the location protocols on
// demand: from the command line (--fault RULE, repeatable) or, while it runs,
// from POST /_control (one RULE a line). The rules are listed in
// kFaultRulesHelp below, which `kelvane-locserver --help` prints.
#ifndef KELVANE_LOCSERVER_FAULTS_H
#define KELVANE_LOCSERVER_FAULTS_H

#include "http_answer.h"

#include <mutex>
#include <string>
#include <vector>

namespace locserver {

inline constexpr char kFaultRulesHelp[] =
    "A fault RULE is a list of items separated by commas:\n"
    "  delay=MS           wait MS milliseconds (host time) before answering\n"
    "  pause=MS           send the first half of the answer, wait MS, send the rest\n"
    "  silence            read the request and never answer; the connection stays open\n"
    "  stall              send the first half of the answer, then nothing more\n"
    "  unknown-cell       every lookup misses (binary status 1, XML error, JSON without location)\n"
    "  malformed          the body is cut to its first half (Content-Length matches the cut body)\n"
    "  oversize           the body is padded to 5000 bytes (spaces; zeros for the binary protocol)\n"
    "  no-content-length  no Content-Length header; the connection closes after the body\n"
    "  overrun=N          N bytes more than Content-Length announces, then nothing more\n"
    "  only=S[+S...]      only for these services: google (POST /glm/mmap),\n"
    "                     yandex (GET /cellid_location/), json (POST /loc/json); default all\n"
    "  times=N            only for the next N matching requests; default every one\n"
    "The first rule that matches a request applies to it. silence wins over\n"
    "stall, stall over pause.\n";

struct FaultRule {
  static constexpr unsigned kAllServices = ~0u;
  int delay_ms = 0;
  int pause_ms = 0;
  bool silence = false;
  bool stall = false;
  bool unknown_cell = false;
  bool malformed = false;
  bool oversize = false;
  bool no_content_length = false;
  int overrun = 0;
  unsigned services = kAllServices;  // bit (1 << Service)
  long times = -1;                   // -1: every matching request

  bool Matches(Service service) const { return service != Service::kNone && (services >> static_cast<int>(service)) & 1; }
};

// False with *error naming the item that is wrong.
bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error);
// The rule written back in that form ("" for a rule that changes nothing).
std::string DescribeFaultRule(const FaultRule& rule);

// The rules in force; safe from any number of threads.
class FaultPlan {
 public:
  void Replace(std::vector<FaultRule> rules);
  std::vector<FaultRule> Rules() const;
  // The rule for one request to a service (counting down its times), or a
  // rule without faults.
  FaultRule Take(Service service);

 private:
  mutable std::mutex lock_;
  std::vector<FaultRule> rules_;
};

}  // namespace locserver

#endif
