// The running server seen on the wire: each protocol answered from the
// shipped data, proxy-style request lines, every fault, the control interface
// and the request log.
#include "known_answers.h"
#include "program_requests.h"
#include "server_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace {

using kelvane::testing::BigEndian;
using kelvane::testing::BodyOf;
using kelvane::testing::GoogleRequest;
using kelvane::testing::JsonRequest;
using kelvane::testing::kGoogleAnswer;
using kelvane::testing::kJsonBody;
using kelvane::testing::kYandexBody;
using kelvane::testing::YandexRequest;
using kelvane::testing::Exchange;
using kelvane::testing::RawConnection;
using kelvane::testing::ServerProcess;
using Clock = std::chrono::steady_clock;

const std::string kYandexAnswer = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                  std::to_string(kYandexBody.size()) + "\r\n\r\n" + kYandexBody;
const std::string kJsonAnswer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                                std::to_string(kJsonBody.size()) + "\r\n\r\n" + kJsonBody;

std::string Control(int port, const std::string& method, const std::string& path, const std::string& body = "") {
  return BodyOf(Exchange(port, method + " " + path + " HTTP/1.1\r\nHost: test\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\n\r\n" + body));
}

long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/kelvane-locserver-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name, const std::string& contents = "") const {
    const std::string path = path_ + "/" + name;
    if (!contents.empty()) std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

 private:
  std::string path_;
};

TEST(LocationServerTest, AnswersEachProtocolByteForByteOnOneConnection) {
  ServerProcess server;
  RawConnection connection(server.port());
  connection.Send(GoogleRequest(250, 1, 7712, 40031));
  EXPECT_EQ(connection.ReadResponse(), kGoogleAnswer);
  connection.Send(YandexRequest(40031, 1, 250, 7712));
  EXPECT_EQ(connection.ReadResponse(), kYandexAnswer);
  connection.Send(JsonRequest("00-1a-2b-3c-4d-01"));
  EXPECT_EQ(connection.ReadResponse(), kJsonAnswer);
}

TEST(LocationServerTest, AbsoluteFormRequestLinesAreAnsweredAsByAProxy) {
  ServerProcess server;
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031, true)), kGoogleAnswer);
  EXPECT_EQ(Exchange(server.port(), YandexRequest(40031, 1, 250, 7712, true)), kYandexAnswer);
  EXPECT_EQ(Exchange(server.port(), JsonRequest("00-1a-2b-3c-4d-01", true)), kJsonAnswer);
}

TEST(LocationServerTest, UnknownCellsAreSaidSoInEachProtocolAndLongIdsAreFound) {
  ServerProcess server;
  EXPECT_EQ(BodyOf(Exchange(server.port(), GoogleRequest(250, 1, 7713, 99999))),
            std::string("\x00\x0E\x1B\x00\x00\x00\x01", 7) + std::string(12, '\0'));
  const std::string unknown = BodyOf(Exchange(server.port(), YandexRequest(99999, 1, 250, 7713)));
  EXPECT_NE(unknown.find("error"), std::string::npos);
  EXPECT_EQ(BodyOf(Exchange(server.port(), JsonRequest("00-1a-2b-3c-4d-99"))),
            "{\"access_token\":\"kelvane-locserver\"}\n");

  const std::string berlin = BodyOf(Exchange(server.port(), GoogleRequest(262, 2, 345, 70000)));
  ASSERT_EQ(berlin.size(), 19u);
  EXPECT_EQ(berlin.substr(3), BigEndian(0) + BigEndian(52520008) + BigEndian(13404954) + BigEndian(1000));
  EXPECT_NE(BodyOf(Exchange(server.port(), YandexRequest(70000, 2, 262, 345))).find("latitude=\"52.520008\""),
            std::string::npos);
}

TEST(LocationServerTest, DelayAndPauseHoldTheAnswerBackOnlyWhereAsked) {
  ServerProcess server({"--fault", "delay=300,only=yandex"});
  auto start = Clock::now();
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031)), kGoogleAnswer);
  EXPECT_LT(MillisecondsSince(start), 250);
  start = Clock::now();
  EXPECT_EQ(Exchange(server.port(), YandexRequest(40031, 1, 250, 7712)), kYandexAnswer);
  EXPECT_GE(MillisecondsSince(start), 300);

  EXPECT_EQ(Control(server.port(), "POST", "/_control", "pause=300\n"), "pause=300\n");
  RawConnection connection(server.port());
  start = Clock::now();
  connection.Send(YandexRequest(40031, 1, 250, 7712));
  const std::string first = connection.ReadNext(2000);
  EXPECT_LT(MillisecondsSince(start), 250);
  EXPECT_EQ(first, kYandexAnswer.substr(0, kYandexAnswer.size() / 2));
  EXPECT_EQ(first + connection.ReadFor(2000, kYandexAnswer.size() - first.size()), kYandexAnswer);
  EXPECT_GE(MillisecondsSince(start), 300);
}

TEST(LocationServerTest, SilenceAndStallLeaveTheConnectionOpenAndQuiet) {
  ServerProcess server({"--fault", "silence,only=google", "--fault", "stall,only=json"});
  RawConnection silent(server.port());
  silent.Send(GoogleRequest(250, 1, 7712, 40031));
  EXPECT_EQ(silent.ReadFor(300), "");
  EXPECT_FALSE(silent.ClosedByServer(50));

  RawConnection stalled(server.port());
  stalled.Send(JsonRequest("00-1a-2b-3c-4d-01"));
  EXPECT_EQ(stalled.ReadFor(300), kJsonAnswer.substr(0, kJsonAnswer.size() / 2));
  EXPECT_FALSE(stalled.ClosedByServer(50));

  // The other protocol is untouched, and a stopping server lets go of both.
  EXPECT_EQ(Exchange(server.port(), YandexRequest(40031, 1, 250, 7712)), kYandexAnswer);
  EXPECT_EQ(server.Terminate(), 0);
  EXPECT_TRUE(silent.ClosedByServer(2000));
}

TEST(LocationServerTest, FramingFaultsBreakTheResponseAsAnnounced) {
  ServerProcess server;
  EXPECT_EQ(Control(server.port(), "POST", "/_control", "no-content-length,times=1"), "no-content-length,times=1\n");
  RawConnection unframed(server.port());
  unframed.Send(GoogleRequest(250, 1, 7712, 40031));
  EXPECT_EQ(unframed.ReadFor(1000), "HTTP/1.1 200 OK\r\nContent-Type: application/binary\r\nConnection: close\r\n\r\n" +
                                        kGoogleAnswer.substr(kGoogleAnswer.size() - 19));
  EXPECT_TRUE(unframed.ClosedByServer(1000));

  Control(server.port(), "POST", "/_control", "overrun=2,times=1");
  RawConnection overrun(server.port());
  overrun.Send(GoogleRequest(250, 1, 7712, 40031));
  EXPECT_EQ(overrun.ReadFor(300), kGoogleAnswer + "xx");
  EXPECT_FALSE(overrun.ClosedByServer(50));

  Control(server.port(), "POST", "/_control", "oversize,times=1");
  const std::string oversize = Exchange(server.port(), YandexRequest(40031, 1, 250, 7712));
  EXPECT_GT(oversize.size(), 4096u);
  EXPECT_EQ(BodyOf(oversize).substr(0, kYandexBody.size()), kYandexBody);

  Control(server.port(), "POST", "/_control", "malformed,times=1");
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031)),
            "HTTP/1.1 200 OK\r\nContent-Type: application/binary\r\nContent-Length: 9\r\n\r\n" +
                kGoogleAnswer.substr(kGoogleAnswer.size() - 19, 9));
  // Every rule was for one request only.
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031)), kGoogleAnswer);
}

TEST(LocationServerTest, UnknownCellFaultFromTheCommandLineCountsDown) {
  ServerProcess server({"--fault", "unknown-cell,times=1"});
  EXPECT_EQ(BodyOf(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031))).substr(3, 4), BigEndian(1));
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031)), kGoogleAnswer);
  EXPECT_EQ(Control(server.port(), "GET", "/_control"), "none\n");
}

TEST(LocationServerTest, ControlRefusesBadRulesWithoutChangingTheGoodOnes) {
  ServerProcess server({"--fault", "delay=5"});
  const std::string rules = "silence\nexplode,now\n";
  const std::string refused = Exchange(
      server.port(), "POST /_control HTTP/1.1\r\nContent-Length: " + std::to_string(rules.size()) + "\r\n\r\n" + rules);
  EXPECT_EQ(refused.substr(0, 24), "HTTP/1.1 400 Bad Request");
  EXPECT_EQ(BodyOf(refused), "line 2: unknown fault 'explode'\n");
  EXPECT_EQ(Control(server.port(), "GET", "/_control"), "delay=5\n");
  EXPECT_EQ(Control(server.port(), "POST", "/_control", "clear\n"), "none\n");
  EXPECT_EQ(BodyOf(Exchange(server.port(), "PUT /_requests HTTP/1.1\r\n\r\n")),
            "method PUT not allowed on /_requests\n");
}

TEST(LocationServerTest, TheRequestLogHoldsTheBytesReceivedInMemoryAndInItsFile) {
  TempFolder folder;
  const std::string log_path = folder.File("requests.log");
  ServerProcess server({"--log", log_path});
  const std::string google = GoogleRequest(250, 1, 7712, 40031, true);
  EXPECT_EQ(Exchange(server.port(), google), kGoogleAnswer);
  const std::string garbled = "GARBLED\r\n";
  EXPECT_EQ(Exchange(server.port(), garbled).substr(0, 24), "HTTP/1.1 400 Bad Request");
  const std::string partial = "POST /loc/json HTTP/1.1\r\nContent-Length: 10\r\n\r\n{\"w";
  RawConnection(server.port()).Send(partial);
  const std::string expected = "--- request 1: " + std::to_string(google.size()) + " bytes\n" + google + "\n" +
                               "--- request 2: 9 bytes, invalid\nGARBLED\r\n\n" + "--- request 3: " +
                               std::to_string(partial.size()) + " bytes, incomplete\n" + partial + "\n";
  std::string logged;
  for (int i = 0; i < 50 && logged != expected; ++i) {  // the incomplete entry lands when the server sees the close
    logged = Control(server.port(), "GET", "/_requests");
    if (logged != expected) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(logged, expected);
  std::ifstream file(log_path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  EXPECT_EQ(contents.str(), expected);

  EXPECT_EQ(Control(server.port(), "DELETE", "/_requests"), "cleared\n");
  EXPECT_EQ(Control(server.port(), "GET", "/_requests"), "");
}

TEST(LocationServerTest, GarbledConnectionsNeverStopTheServer) {
  ServerProcess server;
  std::mt19937 random(7);
  for (int round = 0; round < 30; ++round) {
    RawConnection connection(server.port());
    std::string noise = GoogleRequest(250, 1, 7712, 40031).substr(0, random() % 120);
    for (int i = 0; i < 1 + static_cast<int>(random() % 40); ++i) noise += static_cast<char>(random());
    connection.Send(noise);
    const std::string answer = connection.ReadFor(40);
    if (!answer.empty()) {
      EXPECT_EQ(answer.substr(0, 9), "HTTP/1.1 ") << round;
    }
  }
  EXPECT_EQ(Exchange(server.port(), GoogleRequest(250, 1, 7712, 40031)), kGoogleAnswer);
}

TEST(LocationServerTest, BadDataFilesAreListedByLineAndTheServerDoesNotStart) {
  TempFolder folder;
  const std::string cells = folder.File(
      "bad-cells.csv",
      "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\n"
      "GSM,250,1,7712,40031,0,37.6,55.7,550,10,1,0,0,0\n"
      "GSM,250,1,7712,40032,0,37.6,north,550,10,1,0,0,0\n"
      "GSM,250,1\n");
  const auto outcome = ServerProcess::RunToExit({"--port", "0", "--cells", cells, "--fault", "delay=soon"});
  EXPECT_EQ(outcome.exit_status, 2);
  EXPECT_EQ(outcome.standard_output, "");
  EXPECT_EQ(outcome.standard_error,
            "kelvane-locserver: " + cells + ":3: column 'lat': 'north' is not a latitude from -90 to 90\n" +
                "kelvane-locserver: " + cells + ":4: 3 fields, expected 14 (radio,mcc,net,area,cell,unit,lon,lat,"
                "range,samples,changeable,created,updated,averageSignal)\n"
                "kelvane-locserver: --fault delay=soon: bad value in 'delay=soon'\n");
  EXPECT_EQ(ServerProcess::RunToExit({"--port", "70000"}).exit_status, 2);
}

}  // namespace
