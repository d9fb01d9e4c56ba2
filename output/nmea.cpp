#include "output/nmea.h"

#include <math.h>
#include <stdio.h>

#include "output/gps_output.h"
#include "settings/message_list.h"

namespace {

struct NmeaCoordinate {
  int integer;   // degrees * 100 + whole minutes
  int fraction;  // ten-thousandths of a minute
};

// Degrees and minutes as one number (ddmm.mmmm), all in single precision,
// every conversion to integer truncating.
NmeaCoordinate ToNmea(float value) {
  const int whole = static_cast<int>(value);
  const float nmea = (value - static_cast<float>(whole)) * 60.0f + static_cast<float>(whole) * 100.0f;
  const int integer = static_cast<int>(nmea);
  return {integer, static_cast<int>((nmea - static_cast<float>(integer)) * 10000.0f)};
}

// Appends "*hh" (lower-case) to a template that ends with '*'.
std::string WithChecksum(const std::string& sentence) {
  char checksum[3];
  snprintf(checksum, sizeof checksum, "%02x", NmeaChecksum(sentence.c_str()));
  return sentence + checksum;
}

std::string Format(const char* format, const std::string& a, const std::string& b, const std::string& c = "") {
  char sentence[256];
  snprintf(sentence, sizeof sentence, format, a.c_str(), b.c_str(), c.c_str());
  return sentence;
}

int WriteLine(GpsOutput& output, const std::string& sentence, bool port) {
  char line[256 + 2];
  if (port) {
    const int length = snprintf(line, sizeof line, "%s\r\n", sentence.c_str());
    DWORD written = 0;
    if (!WriteFile(output.port_handle, line, static_cast<DWORD>(length), &written, nullptr)) {
      WCHAR error[64];
      swprintf(error, 64, L"GPS, WriteFile() failed %d.", static_cast<int>(GetLastError()));
      DiagnosticLog().Error(error);
      return -1;
    }
  } else {
    snprintf(line, sizeof line, "%s\n", sentence.c_str());
    fputs(line, output.driver_file);
  }
  return 0;
}

}  // namespace

BYTE NmeaChecksum(const char* sentence) {
  BYTE sum = 0;
  for (const char* c = sentence; *c && *c != '*'; ++c)
    if (*c != '$') sum ^= static_cast<BYTE>(*c);
  return sum;
}

std::string NmeaPositionText(const Position& position) {
  // A coordinate of exactly 0 is written north and east.
  const char* north_south = position.latitude < 0.0f ? "S" : "N";
  const char* east_west = position.longitude < 0.0f ? "W" : "E";
  const NmeaCoordinate latitude = ToNmea(fabsf(position.latitude));
  const NmeaCoordinate longitude = ToNmea(fabsf(position.longitude));
  char text[128];
  snprintf(text, sizeof text, "%04d.%04d,%s,%05d.%04d,%s", latitude.integer, latitude.fraction, north_south,
           longitude.integer, longitude.fraction, east_west);
  return text;
}

std::string NmeaTimeText(const SYSTEMTIME& time) {
  char text[128];
  snprintf(text, sizeof text, "%02d%02d%02d", time.wHour, time.wMinute, time.wSecond);
  return text;
}

std::string NmeaDateText(const SYSTEMTIME& time) {
  // The two-digit year: the fraction of year * 0.01 in single precision, times
  // 100, rounded half away from zero.
  const float hundredths = static_cast<float>(time.wYear) * 0.01f;
  const float fraction = hundredths - static_cast<float>(static_cast<int>(hundredths));
  const int year = static_cast<int>(lroundf(fraction * 100.0f));
  char text[128];
  snprintf(text, sizeof text, "%02d%02d%02d", time.wDay, time.wMonth, year);
  return text;
}

int WriteSentences(GpsOutput& output, const Position& position, bool port) {
  SYSTEMTIME now;
  GetSystemTime(&now);
  const std::string where = NmeaPositionText(position);
  const std::string time = NmeaTimeText(now);
  const std::string date = NmeaDateText(now);
  const std::string burst[] = {
      // $GPGGA,hhmmss,ddmm.mmmm,N,dddmm.mmmm,E,1,08,0,0,M,0,M,,D*hh
      WithChecksum(Format("$GPGGA,%s,%s,1,08,0,0,M,0,M,,D*", time, where)),
      // $GPGLL,ddmm.mmmm,N,dddmm.mmmm,E,hhmmss,A*hh
      WithChecksum(Format("$GPGLL,%s,%s,A*", where, time)),
      // $GPRMC,hhmmss,A,ddmm.mmmm,N,dddmm.mmmm,E,0.0,0.0,ddmmyy,0.0,E,D*hh
      WithChecksum(Format("$GPRMC,%s,A,%s,0.0,0.0,%s,0.0,E,D*", time, where, date)),
      "$GPVTG,096.5,T,083.5,M,0.0,N,0.0,K,D*22",
      "$GPGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,2.5,1.3,2.1*37",
      "$GPGSV,2,1,08,02,43,088,38,04,42,145,00,05,11,291,00,07,60,043,35*71",
  };
  for (const std::string& sentence : burst)
    if (WriteLine(output, sentence, port) != 0) return -1;
  return 0;
}
