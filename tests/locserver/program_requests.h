// The program's requests to the three location services, byte for byte as it
// writes them, direct or through a proxy (absolute-form request lines).
#ifndef KELVANE_TESTS_LOCSERVER_PROGRAM_REQUESTS_H
#define KELVANE_TESTS_LOCSERVER_PROGRAM_REQUESTS_H

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::testing {

std::string BigEndian(int32_t value);

std::string GoogleRequest(int32_t mcc, int32_t net, int32_t area, int32_t cell, bool proxy = false);
std::string YandexRequest(int cell, int net, int mcc, int area, bool proxy = false);

struct ProgramAccessPoint {
  std::string mac;  // "00-1a-2b-3c-4d-01"
  int signal;       // dBm
  std::string ssid; // empty: the program leaves the member out
};
std::string JsonRequest(const std::vector<ProgramAccessPoint>& access_points, bool proxy = false);
// One access point, -61 dBm, SSID "Office".
std::string JsonRequest(const std::string& mac, bool proxy = false);

}  // namespace kelvane::testing

#endif
