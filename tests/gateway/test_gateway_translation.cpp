// The running gateway between the program's requests, byte for byte, and a
// fake living service: each protocol's translation both ways, not found,
// every kind of upstream failure, silence, and the Wi-Fi privacy rules.
#include "gateway_fixture.h"
#include "known_answers.h"
#include "program_requests.h"
#include "support/host_process.h"

#include <chrono>

namespace kelvane::testing {
namespace {

using Clock = std::chrono::steady_clock;

const char kCellBody[] =
    R"({"cellTowers":[{"cellId":40031,"locationAreaCode":7712,"mobileCountryCode":250,)"
    R"("mobileNetworkCode":1,"radioType":"gsm"}],"considerIp":false,"fallbacks":{"ipf":false}})";

const std::vector<ProgramAccessPoint> kTwoAccessPoints = {{"00-1a-2b-3c-4d-01", -61, "Office"},
                                                          {"00-1a-2b-3c-4d-02", -75, "Cafe"}};
const char kTwoAccessPointsBody[] =
    R"({"considerIp":false,"fallbacks":{"ipf":false},"wifiAccessPoints":[)"
    R"({"macAddress":"00:1a:2b:3c:4d:01","signalStrength":-61,"ssid":"Office"},)"
    R"({"macAddress":"00:1a:2b:3c:4d:02","signalStrength":-75,"ssid":"Cafe"}]})";

std::string StatusLineOf(const std::string& response) { return response.substr(0, response.find("\r\n")); }

class GatewayTranslationTest : public GatewayTest {
 protected:
  // Every request goes upstream, and failures hold nothing back.
  void StartPlain(std::vector<std::string> options = {}) {
    options.insert(options.end(), {"--cache-seconds", "0", "--backoff", "0", "--rate", "100"});
    StartServer(options);
  }
};

TEST_F(GatewayTranslationTest, EachProtocolBecomesOneGeolocateRequestAndItsAnswerComesBackInTheProtocolsForm) {
  upstream_->On("\"cellId\":40031", FakeUpstream::Found(55.751244, 37.618423, 549.2));
  upstream_->On("00:1a:2b:3c:4d:01", FakeUpstream::Found(55.7513, 37.6185, 35));
  StartPlain({"--key", "k3y", "--user-agent", "Kelvane/1.54 test"});
  for (bool proxy : {false, true}) {
    SCOPED_TRACE(proxy ? "proxy form" : "origin form");
    EXPECT_EQ(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031, proxy)), kGoogleAnswer);
    EXPECT_EQ(BodyOf(Exchange(server_->port(), YandexRequest(40031, 1, 250, 7712, proxy))), kYandexBody);
    EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest(kTwoAccessPoints, proxy))), kJsonBody);
  }
  const auto received = upstream_->received();
  ASSERT_EQ(received.size(), 6u);
  for (size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(received[i].target, "/v1/geolocate?key=k3y");
    EXPECT_EQ(received[i].user_agent, "Kelvane/1.54 test");
    EXPECT_EQ(received[i].content_type, "application/json");
    EXPECT_EQ(received[i].body, i % 3 == 2 ? kTwoAccessPointsBody : kCellBody) << i;
  }
}

TEST_F(GatewayTranslationTest, TheUserAgentNamesTheProgramAndItsVersionUnlessTold) {
  StartPlain();
  Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031));
  ASSERT_EQ(upstream_->received().size(), 1u);
  EXPECT_EQ(upstream_->received()[0].user_agent.rfind("Kelvane/1.", 0), 0u) << upstream_->received()[0].user_agent;
  EXPECT_EQ(upstream_->received()[0].target, "/v1/geolocate");
}

TEST_F(GatewayTranslationTest, NotFoundAndAnIpFallbackAreEachProtocolsNotFound) {
  upstream_->On("\"cellId\":2", FakeUpstream::Reply{200, R"({"location":{"lat":1,"lng":2},"accuracy":9,"fallback":"ipf"})"});
  upstream_->On("4d:02", FakeUpstream::Reply{200, R"({"location":{"lat":1,"lng":2},"accuracy":9,"fallback":"ipf"})"});
  StartPlain();
  for (int cell : {1, 2}) {
    SCOPED_TRACE(cell);
    EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, cell))),
              std::string("\x00\x0E\x1B\x00\x00\x00\x01", 7) + std::string(12, '\0'));
    EXPECT_EQ(BodyOf(Exchange(server_->port(), YandexRequest(cell, 1, 250, 7712))),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<error code=\"404\">cell not found</error>\n");
  }
  EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest(kTwoAccessPoints))), "{\"access_token\":\"kelvane-locserver\"}\n");
  EXPECT_EQ(upstream_->received().size(), 5u);
  const Json::Value status = Status();
  EXPECT_EQ(status["binary"]["not_found"].asInt(), 2);
  EXPECT_EQ(status["xml"]["not_found"].asInt(), 2);
  EXPECT_EQ(status["wifi"]["not_found"].asInt(), 1);
}

TEST_F(GatewayTranslationTest, UpstreamFailuresAreEachProtocolsFailureAndNeverAPosition) {
  StartPlain();
  const FakeUpstream::Reply failures[] = {
      {400, R"({"error":{"errors":[{"reason":"keyInvalid"}],"code":400}})"},
      {400, R"({"error":{"errors":[{"reason":"parseError"}],"code":400}})"},
      {403, R"({"error":{"errors":[{"reason":"dailyLimitExceeded"}],"code":403}})"},
      {500, "Internal Server Error"},
      {503, R"({"location":{"lat":55.7,"lng":37.6},"accuracy":10})"},
      {200, "<html>captive portal</html>"},
      {200, R"({"location":{"lat":91,"lng":37.6},"accuracy":10})"},
      {200, R"({"location":{"lat":55.7,"lng":37.6},"accuracy":10,"pad":")" + std::string(70000, 'x') + R"("})"},
  };
  for (const FakeUpstream::Reply& failure : failures) {
    SCOPED_TRACE(std::to_string(failure.status) + " " + failure.body.substr(0, 80));
    upstream_->Default(failure);
    const std::string binary = Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031));
    EXPECT_EQ(StatusLineOf(binary), "HTTP/1.1 502 Bad Gateway");
    EXPECT_EQ(BodyOf(binary), std::string("\x00\x0E\x1B\x00\x00\x00\x02", 7) + std::string(12, '\0'));
    const std::string xml = Exchange(server_->port(), YandexRequest(40031, 1, 250, 7712));
    EXPECT_EQ(StatusLineOf(xml), "HTTP/1.1 502 Bad Gateway");
    EXPECT_NE(BodyOf(xml).find("<error code=\"502\">upstream"), std::string::npos) << xml;
    EXPECT_EQ(BodyOf(xml).find("latitude"), std::string::npos) << xml;
    const std::string wifi = Exchange(server_->port(), JsonRequest(kTwoAccessPoints));
    EXPECT_EQ(StatusLineOf(wifi), "HTTP/1.1 502 Bad Gateway");
    EXPECT_EQ(BodyOf(wifi).rfind("{\"error\":\"upstream", 0), 0u) << wifi;
  }
  const Json::Value status = Status();
  for (const char* protocol : {"binary", "xml", "wifi"}) {
    EXPECT_EQ(status[protocol]["asked"].asInt(), 8) << protocol;
    EXPECT_EQ(status[protocol]["failed"].asInt(), 8) << protocol;
    EXPECT_EQ(status[protocol]["upstream"].asInt(), 0) << protocol;
  }
}

TEST_F(GatewayTranslationTest, ASilentUpstreamFailsTheRequestWithinTheTimeOutAndTheGatewayStaysUp) {
  upstream_->Default(FakeUpstream::Reply{200, "{}", 4000});
  StartPlain({"--timeout", "300"});
  const auto start = Clock::now();
  const std::string answer = Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_EQ(StatusLineOf(answer), "HTTP/1.1 502 Bad Gateway");
  upstream_->Default(FakeUpstream::Found(55.751244, 37.618423, 550));
  EXPECT_EQ(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031)), kGoogleAnswer);
}

TEST_F(GatewayTranslationTest, AnUpstreamNobodyListensOnIsAFailure) {
  StartServer({}, "", "", "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/v1/geolocate");
  const std::string answer = Exchange(server_->port(), YandexRequest(40031, 1, 250, 7712));
  EXPECT_EQ(StatusLineOf(answer), "HTTP/1.1 502 Bad Gateway");
  EXPECT_EQ(Status()["xml"]["failed"].asInt(), 1);
}

TEST_F(GatewayTranslationTest, HiddenAndOptedOutAccessPointsAreNotSentAndOneAloneIsNeverAsked) {
  upstream_->Default(FakeUpstream::Found(55.7513, 37.6185, 35));
  StartPlain();
  const std::vector<ProgramAccessPoint> mixed = {{"00-1a-2b-3c-4d-01", -61, "Office"},
                                                 {"00-1a-2b-3c-4d-07", -50, ""},
                                                 {"00-1a-2b-3c-4d-08", -55, "Home_nomap"},
                                                 {"00-1a-2b-3c-4d-02", -75, "Cafe"}};
  EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest(mixed))), kJsonBody);
  ASSERT_EQ(upstream_->received().size(), 1u);
  EXPECT_EQ(upstream_->received()[0].body, kTwoAccessPointsBody);

  const std::vector<ProgramAccessPoint> one_left = {{"00-1a-2b-3c-4d-01", -61, "Office"},
                                                    {"00-1a-2b-3c-4d-07", -50, ""}};
  EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest(one_left))), "{\"access_token\":\"kelvane-locserver\"}\n");
  EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest("00-1a-2b-3c-4d-01"))),
            "{\"access_token\":\"kelvane-locserver\"}\n");
  EXPECT_EQ(upstream_->received().size(), 1u);
  EXPECT_EQ(Status()["wifi"]["not_found"].asInt(), 2);
}

}  // namespace
}  // namespace kelvane::testing
