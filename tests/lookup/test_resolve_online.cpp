// Which service answers: the binary service always, the XML service too for
// countries 250 and 255, the smaller accuracy radius winning.
#include <windows.h>

#include <string>

#include "lookup/resolve_online.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"

namespace kelvane::testing {
namespace {

class ResolveOnlineTest : public LookupTest {};

const std::string kBroken = "HTTP/1.1 502 Bad Gateway\r\n\r\n";  // no length: a transfer failure, -1
const std::string kGoogleUnknown = HttpAnswer(GoogleBody(1, 0, 0, 0));
const std::string kYandexUnknown = HttpAnswer("<error code=\"6\">Not found</error>");
// The XML service's answer places every cell at 10, 20 with accuracy 0.
const std::string kYandexAnswer = HttpAnswer(YandexBody("10", "20", "10", "20"));

std::string GoogleAt(int32_t accuracy) { return HttpAnswer(GoogleBody(0, 50000000, 8000000, accuracy)); }

TEST_F(ResolveOnlineTest, ChoiceBetweenTheServices) {
  struct Case {
    int country;
    std::string google, yandex;
    int code;
    float latitude;  // of the position returned
    int requests;
  } cases[] = {
      {250, kBroken, kYandexAnswer, 0, 10.0f, 2},
      {255, GoogleAt(5), kYandexUnknown, 0, 50.0f, 2},
      // Both fail: the second service's code.
      {250, kBroken, kYandexUnknown, -3, 0.0f, 2},
      {250, kGoogleUnknown, kBroken, -1, 0.0f, 2},
      // Equal accuracy: the second service.
      {250, GoogleAt(0), kYandexAnswer, 0, 10.0f, 2},
      // A success whose accuracy says "no result" still beats a failure.
      {250, GoogleAt(kNoResult), kYandexUnknown, 0, 50.0f, 2},
      // Other countries: the binary service alone.
      {262, kBroken, kYandexAnswer, -1, 0.0f, 1},
      {262, kGoogleUnknown, kYandexAnswer, -3, 0.0f, 1},
      {262, GoogleAt(900), kYandexAnswer, 0, 50.0f, 1},
  };
  for (const Case& c : cases) {
    ScriptedPeer proxy([&](const std::string& request) {
      const bool google = RequestLine(request).rfind("POST http://www.google.com/glm/mmap ", 0) == 0;
      return PeerScript{{google ? c.google : c.yandex}, 0};
    });
    UseProxy(proxy.port());
    CellRecord cell;
    cell.country = c.country;
    Position p = {0.0f, 0.0f, 12345};
    const int code = ResolveOnline(cell, &p);
    EXPECT_EQ(code, c.code) << c.country << " " << c.google << " " << c.yandex;
    EXPECT_EQ(p.latitude, c.latitude) << c.country << " " << c.google;
    if (code != 0) {
      EXPECT_EQ(p.accuracy, 12345);  // untouched on failure
    }
    const auto requests = proxy.Requests();
    ASSERT_EQ(static_cast<int>(requests.size()), c.requests);
    // The binary service is always asked first.
    EXPECT_EQ(RequestLine(requests[0]).rfind("POST ", 0), 0u);
  }
}

}  // namespace
}  // namespace kelvane::testing
