// Garbled driver files: every line the service would offer is one of the
// file's own non-blank lines, whole, in order, ended by "\r\n"; nothing
// comes from past the read bound.
#include "gpsid/gpsid_fixture.h"
#include "support/byte_mutator.h"

#include "gpsid/driver_file.h"

#include <vector>

namespace {

using kelvane::DriverFileReading;
using kelvane::kDriverFileLimit;
using kelvane::ReadDriverFile;
using kelvane::testing::ByteMutator;
using kelvane::testing::GpsidTest;
using kelvane::testing::kBurst;
using kelvane::testing::kTextAlphabet;

const wchar_t kFile[] = L"\\windows\\gpsfile.dat";

// Whether a "\r" at i is part of a line end: before "\n", or last in the file.
bool EndingReturn(const std::string& text, size_t i) {
  return text[i] == '\r' && (i + 1 == text.size() || text[i + 1] == '\n');
}

// True when text[from, to) holds only line ends: blank lines, which the
// service skips.
bool OnlyLineEnds(const std::string& text, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (text[i] == '\n' || EndingReturn(text, i)) continue;
    return false;
  }
  return true;
}

// The first place at or after `from` where no "\n" or "\r\n" stands.
size_t SkipLineEnds(const std::string& text, size_t from) {
  for (;;) {
    if (from < text.size() && text[from] == '\n')
      ++from;
    else if (text.compare(from, 2, "\r\n") == 0)
      from += 2;
    else
      return from;
  }
}

TEST_F(GpsidTest, GarbledDriverFilesGiveOnlyTheirOwnWholeLines) {
  const std::string long_line = std::string(kDriverFileLimit - 3, 'x') + "\r\n$GPGGA*00\n";
  ByteMutator mutator(20261208, {kBurst, long_line, "\r\n\r\n\n", "$GPRMC,no end"}, kTextAlphabet);
  for (int round = 0; round < 300; ++round) {
    const std::string text = mutator.Next();
    WriteDeviceFile(kFile, text);
    const DriverFileReading reading = ReadDriverFile(kFile);
    // Walk the file: each offered line must come next, after blank lines only.
    size_t cursor = 0;
    for (const std::string& line : reading.lines) {
      ASSERT_GE(line.size(), 3u);
      ASSERT_EQ(line.compare(line.size() - 2, 2, "\r\n"), 0);
      const std::string body = line.substr(0, line.size() - 2);
      ASSERT_EQ(body.find('\n'), std::string::npos) << "round " << round;
      // Blank lines may come first; then the line itself, else one was lost.
      cursor = SkipLineEnds(text, cursor);
      ASSERT_EQ(text.compare(cursor, body.size(), body), 0) << "a line was lost before " << body << ", round " << round;
      cursor += body.size();
      // Whole: ended in the file by "\n" or "\r\n", or by the end of a file within the bound.
      if (cursor < text.size() && EndingReturn(text, cursor)) ++cursor;
      ASSERT_TRUE(cursor < text.size() ? text[cursor] == '\n' : text.size() <= kDriverFileLimit) << "round " << round;
      ASSERT_TRUE(cursor < kDriverFileLimit || cursor == text.size()) << "read past the bound, round " << round;
      ++cursor;
    }
    // Nothing whole is lost after the last line: within a file inside the
    // bound only blank lines follow; past the bound, only blank lines up to
    // the last line end within it (the line the bound cuts is left out).
    size_t whole_end = text.size();
    if (text.size() > kDriverFileLimit) {
      const size_t last_end = text.rfind('\n', kDriverFileLimit - 1);
      whole_end = last_end == std::string::npos ? 0 : last_end + 1;
    }
    if (cursor < whole_end) {
      EXPECT_TRUE(OnlyLineEnds(text, cursor, whole_end)) << "round " << round;
    }
    EXPECT_EQ(reading.problem.empty(), text.size() <= kDriverFileLimit) << "round " << round;
  }
}

}  // namespace
