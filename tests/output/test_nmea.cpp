// NMEA bursts: coordinate and time texts, checksums, and the two targets.
#include "support/device_fixture.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "output/gps_output.h"
#include "output/nmea.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;

std::string PositionText(float latitude, float longitude) {
  return NmeaPositionText(Position{latitude, longitude, 100});
}

TEST(NmeaTest, CoordinatesBecomeDegreesAndMinutes) {
  EXPECT_EQ(PositionText(0.5f, -0.25f), "0030.0000,N,00015.0000,W");
  EXPECT_EQ(PositionText(-20.869983f, 55.451667f), "2052.1989,S,05527.1000,E");
  EXPECT_EQ(PositionText(0.0f, 0.0f), "0000.0000,N,00000.0000,E");
  // Minutes below 0.1 keep the leading zero of the fraction (00.012 minutes;
  // single precision may move the last digit).
  const std::string small = PositionText(10.0002f, 1.0f);
  EXPECT_EQ(small.substr(0, 8), "1000.012") << small;
  // 179.999 degrees: five integer digits, never six.
  EXPECT_EQ(PositionText(1.0f, 179.999f).substr(12, 6), "17959.") << PositionText(1.0f, 179.999f);
  EXPECT_EQ(PositionText(1.0f, -179.999f).substr(12, 6), "17959.");
}

TEST(NmeaTest, TimeAndDateTextsAtTheEndOfAYear) {
  const SYSTEMTIME last_second = {2009, 12, 4, 31, 23, 59, 59, 500};
  EXPECT_EQ(NmeaTimeText(last_second), "235959");
  EXPECT_EQ(NmeaDateText(last_second), "311209");
  const SYSTEMTIME new_year = {2010, 1, 5, 1, 0, 0, 7, 0};
  EXPECT_EQ(NmeaTimeText(new_year), "000007");
  EXPECT_EQ(NmeaDateText(new_year), "010110");
  const SYSTEMTIME century = {2000, 2, 2, 29, 12, 0, 0, 0};
  EXPECT_EQ(NmeaDateText(century), "290200");
}

TEST(NmeaTest, ChecksumsSkipTheMarkersAndMatchTheFixedSentences) {
  EXPECT_EQ(NmeaChecksum("$GPVTG,096.5,T,083.5,M,0.0,N,0.0,K,D*22"), 0x22);
  EXPECT_EQ(NmeaChecksum("$GPGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,2.5,1.3,2.1*"), 0x37);
  EXPECT_EQ(NmeaChecksum("$GPGSV,2,1,08,02,43,088,38,04,42,145,00,05,11,291,00,07,60,043,35*71"), 0x71);
  EXPECT_EQ(NmeaChecksum("$A*"), 'A');
  EXPECT_EQ(NmeaChecksum("AB*CD"), 'A' ^ 'B');  // nothing after the star counts
}

class NmeaBurstTest : public DeviceTest {
 protected:
  std::vector<std::string> WrittenLines(const std::string& relative) {
    std::istringstream in(ReadHostFile(relative));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(NmeaBurstTest, TheDriverFileGetsSixSentencesWithValidChecksums) {
  const SYSTEMTIME now = {2009, 12, 4, 31, 23, 59, 59, 0};
  ASSERT_TRUE(SetSystemTime(&now));
  GpsOutput output;
  output.driver_file = _wfopen(L"\\windows\\burst.txt", L"w");
  ASSERT_NE(output.driver_file, nullptr);
  ASSERT_EQ(WriteSentences(output, Position{-20.869983f, 55.451667f, 500}, false), 0);
  fclose(output.driver_file);
  output.driver_file = nullptr;

  const auto lines = WrittenLines("windows/burst.txt");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].substr(0, 47), "$GPGGA,235959,2052.1989,S,05527.1000,E,1,08,0,0");
  EXPECT_EQ(lines[1].substr(0, 41), "$GPGLL,2052.1989,S,05527.1000,E,235959,A*");
  EXPECT_NE(lines[2].find(",311209,"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3], "$GPVTG,096.5,T,083.5,M,0.0,N,0.0,K,D*22");
  for (const std::string& line : lines) {
    ASSERT_GE(line.size(), 4u);
    const size_t star = line.find('*');
    ASSERT_EQ(star, line.size() - 3) << line;
    char expected[3];
    snprintf(expected, sizeof expected, "%02x", NmeaChecksum(line.c_str()));
    EXPECT_EQ(line.substr(star + 1), expected) << line;
    EXPECT_EQ(line.find('\r'), std::string::npos);
  }
}

TEST_F(NmeaBurstTest, AFailingPortWriteEndsTheBurstWithOneError) {
  { std::ofstream(root() / "windows" / "readonly.txt") << ""; }
  GpsOutput output;
  output.port_handle =
      CreateFileW(L"\\windows\\readonly.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(output.port_handle, INVALID_HANDLE_VALUE);
  const size_t before = DiagnosticLog().LineCount();
  EXPECT_EQ(WriteSentences(output, Position{1.0f, 2.0f, 3}, true), -1);
  const auto lines = DiagnosticLog().Lines();
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines.back().text.rfind(L"ERR: GPS, WriteFile() failed ", 0), 0u) << lines.back().text.c_str();
  EXPECT_EQ(lines.back().text.back(), L'.');
}

}  // namespace
