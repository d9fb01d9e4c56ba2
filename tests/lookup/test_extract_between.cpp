// Values read out of a service's answer: the markers, the two conversions,
// and searches that stay inside the bytes received.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lookup/extract_between.h"

namespace {

// The text in a buffer of exactly its size, with no terminating zero, so a
// read past the end is caught by the address sanitizer.
std::vector<char> Unterminated(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

TEST(ExtractBetweenTest, UnsignedAcceptsOnlyAPlainThirtyTwoBitDecimal) {
  struct Case {
    std::string value;
    bool found;
    DWORD expected;
  } cases[] = {
      {" 55", true, 55},       {"55 ", true, 55},   {"\t0", true, 0},      {" 4294967295", true, 4294967295u},
      {" 4294967296", false, 0}, {" 99999999999999999999", false, 0}, {" -1", false, 0},
      {" +1", false, 0},       {" 12abc", false, 0}, {" 1 2", false, 0},   {" ", false, 0}, {"", false, 0},
  };
  for (const Case& c : cases) {
    const std::vector<char> text = Unterminated("Content-Length:" + c.value + "\r\n");
    DWORD value = 7;
    EXPECT_EQ(ExtractBetween(text.data(), text.size(), "Content-Length:", "\r\n", &value), c.found) << c.value;
    EXPECT_EQ(value, c.found ? c.expected : 7u) << c.value;
  }
}

TEST(ExtractBetweenTest, MarkersAreFoundInOrderAndWithinTheLength) {
  DWORD value = 0;
  // The end marker counts only after the start marker.
  std::vector<char> text = Unterminated("\r\nA:5\r\n");
  EXPECT_TRUE(ExtractBetween(text.data(), text.size(), "A:", "\r\n", &value));
  EXPECT_EQ(value, 5u);
  // Missing end marker, missing start marker, and markers beyond the length.
  text = Unterminated("A:5");
  EXPECT_FALSE(ExtractBetween(text.data(), text.size(), "A:", "\r\n", &value));
  text = Unterminated("B:5\r\n");
  EXPECT_FALSE(ExtractBetween(text.data(), text.size(), "A:", "\r\n", &value));
  text = Unterminated("A:5\r\n");
  EXPECT_FALSE(ExtractBetween(text.data(), 4, "A:", "\r\n", &value));
  EXPECT_EQ(FindText(text.data(), 4, "\r\n"), -1);
  EXPECT_EQ(FindText(text.data(), text.size(), "\r\n"), 3);
}

TEST(ExtractBetweenTest, FloatConvertsAsAtofAndNarrows) {
  struct Case {
    std::string value;
    bool found;
    float expected;
  } cases[] = {
      {"55.75", true, 55.75f},
      {" -37.8136", true, -37.8136f},
      {"12.5e", true, 12.5f},   // conversion stops where a number cannot go on
      {"north", true, 0.0f},    // as atof: nothing numeric is 0
      {std::string(64, '1'), false, 0.0f},  // longer than any number a service writes
  };
  for (const Case& c : cases) {
    const std::vector<char> text = Unterminated("<c lat=\"" + c.value + "\"/>");
    float value = -1.0f;
    EXPECT_EQ(ExtractBetween(text.data(), text.size(), "lat=\"", "\"", &value), c.found) << c.value;
    if (c.found) {
      EXPECT_EQ(value, c.expected) << c.value;
    }
  }
}

}  // namespace
