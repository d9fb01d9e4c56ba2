#include "program_requests.h"

namespace kelvane::testing {

std::string BigEndian(int32_t value) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(static_cast<uint32_t>(value) >> shift);
  return out;
}

std::string GoogleRequest(int32_t mcc, int32_t net, int32_t area, int32_t cell, bool proxy) {
  std::string body = std::string("\x00\x0E", 2) + std::string(14, '\0') + "\x1B" + BigEndian(net) + BigEndian(mcc) +
                     std::string(3, '\0') + (cell > 65535 ? "\x05" : "\x03") + std::string(2, '\0') +
                     BigEndian(cell > 65535 ? cell : (cell & 0xFFFF)) + BigEndian(area) + BigEndian(net) +
                     BigEndian(mcc) + "\xFF\xFF\xFF\xFF" + std::string(4, '\0');
  return std::string(proxy ? "POST http://www.google.com/glm/mmap HTTP/1.1\r\n" : "POST /glm/mmap HTTP/1.1\r\n") +
         "User-Agent: WINM-TEST-USER-AGENT\r\nHost: www.google.com\r\nContent-Length: 55\r\n"
         "Content-Type: application/binary\r\n\r\n" +
         body;
}

std::string YandexRequest(int cell, int net, int mcc, int area, bool proxy) {
  const std::string query = "/cellid_location/?&cellid=" + std::to_string(cell) + "&operatorid=" +
                            std::to_string(net) + "&countrycode=" + std::to_string(mcc) +
                            "&lac=" + std::to_string(area);
  return "GET " + std::string(proxy ? "http://yandex.example" : "") + query +
         " HTTP/1.1\r\nUser-Agent: Mozilla/5.0\r\nHost: yandex.example\r\n\r\n";
}

std::string JsonRequest(const std::vector<ProgramAccessPoint>& access_points, bool proxy) {
  std::string towers;
  for (const ProgramAccessPoint& ap : access_points) {
    towers += std::string(towers.empty() ? "" : ", ") + "{ \"mac_address\" : \"" + ap.mac +
              "\", \"signal_strength\" : " + std::to_string(ap.signal) +
              (ap.ssid.empty() ? "" : ", \"ssid\" : \"" + ap.ssid + "\"") + " }";
  }
  const std::string body =
      "{ \"access_token\" : \"plain ticket\", \"address_language\" : \"en-GB\", \"host\" : \"www.google.com\", "
      "\"radio_type\" : \"unknown\", \"request_address\" : false, \"version\" : \"1.1.0\", \"wifi_towers\" : [ " +
      towers + " ] }\n";
  return std::string(proxy ? "POST http://www.google.com/loc/json HTTP/1.1\r\n" : "POST /loc/json HTTP/1.1\r\n") +
         "User-Agent: Mozilla/5.0\r\nHost: www.google.com\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nContent-Type: application/json\r\n\r\n" + body;
}

std::string JsonRequest(const std::string& mac, bool proxy) { return JsonRequest({{mac, -61, "Office"}}, proxy); }

}  // namespace kelvane::testing
