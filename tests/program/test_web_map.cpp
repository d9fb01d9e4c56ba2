// The web map's address for a position: the float position widened to
// double, six decimals, south and west negative.
#include <gtest/gtest.h>

#include "ui/web_map.h"

namespace {

TEST(WebMapAddress, CarriesTheWidenedPositionAndZoom13) {
  const struct {
    Position position;
    const WCHAR* expected;
  } cases[] = {
      {{-33.8688f, 151.2093f, 40}, L"http://wikimapia.org/#lat=-33.868801&lon=151.209305&z=13"},
      {{55.751244f, -0.5f, 550}, L"http://wikimapia.org/#lat=55.751244&lon=-0.500000&z=13"},
  };
  for (const auto& c : cases) {
    WCHAR address[128];
    FormatWebMapAddress(c.position, address, 128);
    EXPECT_STREQ(address, c.expected);
  }
}

}  // namespace
