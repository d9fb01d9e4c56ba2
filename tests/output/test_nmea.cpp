// NMEA bursts: coordinate and time texts, checksums, and the two targets,
// whose whole bursts are compared with recorded ones (tests/output/bursts).
#include "support/device_fixture.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

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

class NmeaBurstTest : public DeviceTest {};

// A recorded case: NAME.in holds "latitude longitude accuracy UTC-time",
// NAME.out the burst expected for it, line by line.
struct RecordedBurst {
  std::string name;
  Position position;
  SYSTEMTIME utc;
  std::string expected;
};

std::vector<RecordedBurst> RecordedBursts() {
  std::vector<RecordedBurst> bursts;
  const std::filesystem::path folder = std::filesystem::path(KELVANE_SOURCE_DIR) / "tests/output/bursts";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".in") continue;
    RecordedBurst burst{entry.path().stem().string(), {}, {}, {}};
    std::ifstream in(entry.path());
    std::string latitude, longitude;
    int accuracy = 0;
    std::string utc;
    in >> latitude >> longitude >> accuracy >> utc;
    burst.position = Position{std::stof(latitude), std::stof(longitude), accuracy};
    int year, month, day, hour, minute, second;
    EXPECT_EQ(sscanf(utc.c_str(), "%d-%d-%dT%d:%d:%d", &year, &month, &day, &hour, &minute, &second), 6)
        << entry.path();
    burst.utc = SYSTEMTIME{static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day),
                           static_cast<WORD>(hour), static_cast<WORD>(minute), static_cast<WORD>(second), 0};
    std::ifstream out(std::filesystem::path(entry.path()).replace_extension(".out"), std::ios::binary);
    std::stringstream text;
    text << out.rdbuf();
    burst.expected = text.str();
    bursts.push_back(burst);
  }
  std::sort(bursts.begin(), bursts.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return bursts;
}

std::string WithCarriageReturns(const std::string& lines) {
  std::string result;
  for (char c : lines) result += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return result;
}

TEST_F(NmeaBurstTest, BurstsMatchTheRecordedSentencesOnBothTargets) {
  const std::vector<RecordedBurst> bursts = RecordedBursts();
  ASSERT_GE(bursts.size(), 3u);
  for (const RecordedBurst& burst : bursts) {
    ASSERT_TRUE(SetSystemTime(&burst.utc)) << burst.name;
    GpsOutput output;
    output.driver_file = _wfopen(L"\\windows\\burst.txt", L"w");
    ASSERT_NE(output.driver_file, nullptr);
    ASSERT_EQ(WriteSentences(output, burst.position, false), 0) << burst.name;
    fclose(output.driver_file);
    output.driver_file = nullptr;
    EXPECT_EQ(ReadHostFile("windows/burst.txt"), burst.expected) << burst.name;

    ASSERT_TRUE(SetSystemTime(&burst.utc)) << burst.name;
    output.port_handle = CreateFileW(L"\\windows\\port.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(output.port_handle, INVALID_HANDLE_VALUE);
    ASSERT_EQ(WriteSentences(output, burst.position, true), 0) << burst.name;
    CloseHandle(output.port_handle);
    output.port_handle = nullptr;
    EXPECT_EQ(ReadHostFile("windows/port.txt"), WithCarriageReturns(burst.expected)) << burst.name;
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
