#include "wifi/json_line.h"

#include <stdio.h>

#include <algorithm>
#include <vector>

namespace {

void WriteString(const std::string& text, std::string* out) {
  *out += '"';
  for (char c : text) {
    switch (c) {
      case '"': *out += "\\\""; break;
      case '\\': *out += "\\\\"; break;
      case '\b': *out += "\\b"; break;
      case '\f': *out += "\\f"; break;
      case '\n': *out += "\\n"; break;
      case '\r': *out += "\\r"; break;
      case '\t': *out += "\\t"; break;
      default: *out += c;
    }
  }
  *out += '"';
}

void Write(const Json::Value& value, std::string* out) {
  switch (value.type()) {
    case Json::nullValue:
      *out += "null";
      break;
    case Json::intValue:
      *out += std::to_string(value.asLargestInt());
      break;
    case Json::uintValue:
      *out += std::to_string(value.asLargestUInt());
      break;
    case Json::realValue: {
      char number[32];
      snprintf(number, sizeof number, "%.17g", value.asDouble());
      *out += number;
      break;
    }
    case Json::stringValue:
      WriteString(value.asString(), out);
      break;
    case Json::booleanValue:
      *out += value.asBool() ? "true" : "false";
      break;
    case Json::arrayValue:
      *out += "[ ";
      for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
        if (i > 0) *out += ", ";
        Write(value[i], out);
      }
      *out += " ]";
      break;
    case Json::objectValue: {
      std::vector<std::string> names = value.getMemberNames();
      std::sort(names.begin(), names.end());  // std::string compares bytes as unsigned
      *out += "{ ";
      for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) *out += ", ";
        WriteString(names[i], out);
        *out += " : ";
        Write(value[names[i]], out);
      }
      *out += " }";
      break;
    }
  }
}

}  // namespace

std::string WriteJsonLine(const Json::Value& value) {
  std::string out;
  Write(value, &out);
  return out;
}
