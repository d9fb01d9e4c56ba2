// Writes a JSON document on one line in the spaced form the location service
// has always been sent: "{ " members joined by ", " " }", a member as
// "\"name\" : value", "[ " elements joined by ", " " ]"; members ordered by
// their names compared byte by byte; strings with only \" \\ \b \f \n \r \t
// escaped and every other byte (UTF-8 included) as it is. The installed
// jsoncpp writes another form, hence this writer.
#ifndef KELVANE_WIFI_JSON_LINE_H
#define KELVANE_WIFI_JSON_LINE_H

#include <json/value.h>

#include <string>

// The document without a final line feed.
std::string WriteJsonLine(const Json::Value& value);

#endif
