// The response document of the JSON location service, and whether the
// position in it is usable.
#ifndef KELVANE_WIFI_LOCATION_RESPONSE_H
#define KELVANE_WIFI_LOCATION_RESPONSE_H

#include <string>

// The position fields start at values that fail CheckLocation, so a response
// that sets nothing is rejected. Only latitude, longitude and accuracy are
// used; the rest is read and dropped.
struct LocationResult {
  double latitude = 200.0;
  double longitude = 200.0;
  double altitude = -1000.0;
  double accuracy = -1.0;
  double altitude_accuracy = -1.0;
  std::wstring street_number, street, premises, city, county, region, country, country_code, postal_code;
};

// False for empty text, text that is not JSON, a root that is not an object
// (null counts as one), a "location" that is not an object, or a location
// without "latitude", "longitude" and "accuracy" as JSON reals or signed
// integers (an integer above 2147483647 is stored unsigned and counts as
// missing). No "location" at all succeeds with the result untouched. A
// string "access_token" goes to *token.
bool ParseResponse(const std::string& text, LocationResult* result, std::wstring* token);

// Latitude -90 to 90, longitude -180 to 180, accuracy 0 up to (not
// including) 2147483648 metres, all bounds inclusive otherwise; NaN fails.
// The accuracy's upper bound keeps its conversion to 32 bits defined.
bool CheckLocation(const LocationResult& result);

#endif
