// Where the running gateway takes its answers from: the data first, the
// memory of earlier answers, the throttle, the choice of sources, and the
// living service over TLS with its certificate checked.
#include "gateway_fixture.h"
#include "known_answers.h"
#include "program_requests.h"
#include "support/test_certificate.h"

namespace kelvane::testing {
namespace {

const char kKnownCellRow[] = "GSM,250,1,7712,40031,-1,37.618423,55.751244,550,10,1,1,1,-70\n";
const std::string kFoundBody = BodyOf(kGoogleAnswer);

std::string StatusLineOf(const std::string& response) { return response.substr(0, response.find("\r\n")); }

using GatewaySourcesTest = GatewayTest;

TEST_F(GatewaySourcesTest, TheDataAnswerWhatTheyKnowAndTheUpstreamTheRest) {
  upstream_->Default(FakeUpstream::Found(52.52, 13.405, 1000));
  StartServer({}, kKnownCellRow, "00:1a:2b:3c:4d:01,55.7513,37.6185,35\n");
  EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031))), kFoundBody);
  EXPECT_EQ(BodyOf(Exchange(server_->port(), JsonRequest("00-1a-2b-3c-4d-01"))), kJsonBody);
  EXPECT_TRUE(upstream_->received().empty());
  EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(262, 2, 345, 70000))).substr(3),
            BigEndian(0) + BigEndian(52520000) + BigEndian(13405000) + BigEndian(1000));
  EXPECT_EQ(upstream_->received().size(), 1u);
  const Json::Value status = Status();
  EXPECT_EQ(status["binary"]["asked"].asInt(), 2);
  EXPECT_EQ(status["binary"]["local"].asInt(), 1);
  EXPECT_EQ(status["binary"]["upstream"].asInt(), 1);
  EXPECT_EQ(status["wifi"]["local"].asInt(), 1);
}

TEST_F(GatewaySourcesTest, OnlyUpstreamPassesTheDataByAndOnlyLocalNeverAsks) {
  upstream_->Default(FakeUpstream::Found(52.52, 13.405, 1000));
  StartServer({"--sources", "upstream"}, kKnownCellRow);
  EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031))).substr(7, 4), BigEndian(52520000));
  EXPECT_EQ(upstream_->received().size(), 1u);

  StartServer({"--sources", "local"}, kKnownCellRow);
  EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(262, 2, 345, 70000))),
            std::string("\x00\x0E\x1B\x00\x00\x00\x01", 7) + std::string(12, '\0'));
  EXPECT_EQ(upstream_->received().size(), 1u);
}

TEST_F(GatewaySourcesTest, AnswersAreRememberedAndTheRateHoldsTheRestBack) {
  upstream_->On("\"cellId\":40031", FakeUpstream::Found(55.751244, 37.618423, 550));
  StartServer({"--rate", "2", "--cache-seconds", "600"});
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031))), kFoundBody) << i;
  // Not found is remembered too.
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(BodyOf(Exchange(server_->port(), YandexRequest(1, 1, 250, 7712))),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<error code=\"404\">cell not found</error>\n")
        << i;
  EXPECT_EQ(upstream_->received().size(), 2u);
  // Two went this second: a third new cell is held back, as a failure.
  const std::string held = Exchange(server_->port(), GoogleRequest(250, 1, 7712, 3));
  EXPECT_EQ(StatusLineOf(held), "HTTP/1.1 502 Bad Gateway");
  EXPECT_EQ(upstream_->received().size(), 2u);
  const Json::Value status = Status();
  EXPECT_EQ(status["binary"]["asked"].asInt(), 4);
  EXPECT_EQ(status["binary"]["upstream"].asInt(), 1);
  EXPECT_EQ(status["binary"]["cached"].asInt(), 2);
  EXPECT_EQ(status["binary"]["failed"].asInt(), 1);
  EXPECT_EQ(status["binary"]["rate_limited"].asInt(), 1);
  EXPECT_EQ(status["xml"]["not_found"].asInt(), 1);
  EXPECT_EQ(status["xml"]["cached"].asInt(), 1);
}

TEST_F(GatewaySourcesTest, AfterAServerErrorTheGatewayWaitsBeforeAskingAgain) {
  upstream_->Default(FakeUpstream::Reply{503, ""});
  StartServer({"--backoff", "60000", "--cache-seconds", "0"});
  EXPECT_EQ(StatusLineOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 1))), "HTTP/1.1 502 Bad Gateway");
  upstream_->Default(FakeUpstream::Found(55.751244, 37.618423, 550));
  EXPECT_EQ(StatusLineOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 2))), "HTTP/1.1 502 Bad Gateway");
  EXPECT_EQ(upstream_->received().size(), 1u);
  EXPECT_EQ(Status()["binary"]["rate_limited"].asInt(), 1);
}

TEST_F(GatewaySourcesTest, HttpsChecksTheServiceCertificate) {
  TestCertificate certificate;
  ASSERT_TRUE(MakeTestCertificate(folder_, &certificate));
  upstream_ = std::make_unique<FakeUpstream>(certificate.certificate.string(), certificate.key.string());
  upstream_->Default(FakeUpstream::Found(55.751244, 37.618423, 550));
  ASSERT_EQ(upstream_->url().rfind("https://127.0.0.1:", 0), 0u);

  StartServer({"--ca-file", certificate.certificate.string()});
  EXPECT_EQ(BodyOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031))), kFoundBody);
  EXPECT_EQ(upstream_->received().size(), 1u);

  // The system's store does not know the test's certificate.
  StartServer({});
  EXPECT_EQ(StatusLineOf(Exchange(server_->port(), GoogleRequest(250, 1, 7712, 40031))), "HTTP/1.1 502 Bad Gateway");
  EXPECT_EQ(upstream_->received().size(), 1u);
}

TEST_F(GatewaySourcesTest, BadGatewayOptionsAreRefusedAndHelpDocumentsTheGateway) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--upstream", "ftp://example.invalid"}, {"--sources", "upstream"},
        {"--sources", "elsewhere", "--upstream", "http://127.0.0.1:1"}, {"--rate", "0"}, {"--timeout", "x"}}) {
    const auto outcome = ServerProcess::RunToExit(bad);
    EXPECT_EQ(outcome.exit_status, 2) << bad[0];
    EXPECT_NE(outcome.standard_error.find("kelvane-locserver: "), std::string::npos) << bad[0];
  }
  const auto help = ServerProcess::RunToExit({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  for (const char* option : {"--upstream", "--key", "--user-agent", "--ca-file", "--sources", "--cache-seconds",
                             "--rate", "--daily-cap", "--backoff", "_nomap", "/_status", "--tiles"})
    EXPECT_NE(help.standard_output.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace kelvane::testing
