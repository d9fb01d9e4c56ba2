// What the program gets back for the first cell and access point of the
// shipped data, 250/1/7712/40031 at 55.751244, 37.618423 within 550 m and
// 00:1a:2b:3c:4d:01 at 55.7513, 37.6185 within 35 m, in each protocol.
#ifndef KELVANE_TESTS_LOCSERVER_KNOWN_ANSWERS_H
#define KELVANE_TESTS_LOCSERVER_KNOWN_ANSWERS_H

#include <string>

namespace kelvane::testing {

inline const std::string kGoogleAnswer =
    "HTTP/1.1 200 OK\r\nContent-Type: application/binary\r\nContent-Length: 19\r\n\r\n" +
    std::string("\x00\x0E\x1B\x00\x00\x00\x00\x03\x52\xB2\x4C\x02\x3E\x02\xF7\x00\x00\x02\x26", 19);
inline const std::string kYandexBody =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<location source=\"cell-export\">\n<coordinates "
    "latitude=\"55.751244\" longitude=\"37.618423\" nlatitude=\"55.7462959\" nlongitude=\"37.618423\"/>\n"
    "</location>\n";
inline const std::string kJsonBody =
    "{\"access_token\":\"kelvane-locserver\",\"location\":{\"latitude\":55.751300,\"longitude\":37.618500,"
    "\"accuracy\":35}}\n";

}  // namespace kelvane::testing

#endif
