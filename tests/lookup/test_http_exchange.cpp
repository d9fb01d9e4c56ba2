// The HTTP exchange against a scripted peer on loopback: the proxy rule, the
// response framing by Content-Length, the silence limits, the response limit,
// the Connection Manager's answers, and Interrupt.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "core/flags.h"
#include "core/process_state.h"
#include "lookup/http_exchange.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"
#include "settings/message_list.h"

namespace kelvane::testing {
namespace {

class HttpExchangeTest : public LookupTest {
 protected:
  // One GET of "/x" to host; the exchange's results.
  int Get(const char* host, HttpExchange* exchange) {
    if (!exchange->OpenConnection(host)) return 0;
    if (!exchange->SendRequestLine("GET", host, "/x") || !exchange->SendHeader("Host", host) ||
        !exchange->SendText("\r\n", 0))
      return 0;
    return exchange->ReceiveResponse();
  }

  std::string ConnectionManagerLog() {
    std::ifstream in(root() / "connmgr.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

PeerScript Answer(const std::string& text) { return PeerScript{{text}, 0}; }

// "release 7 cache=1" as "release cache=1".
std::string WithoutConnectionNumber(const std::string& line) {
  const size_t first = line.find(' ');
  return line.substr(0, first) + line.substr(line.find(' ', first + 1));
}

TEST_F(HttpExchangeTest, ProxyRuleChoosesTheConnectionAndTheRequestLineForm) {
  ScriptedPeer peer([](const std::string&) { return Answer(HttpAnswer("ok")); });
  Json::Value profile;
  profile["hosts"]["svc.example"] = "127.0.0.1:" + std::to_string(peer.port());
  UseProfile(profile);
  struct Case {
    const char* address;
    DWORD port;
    const char* request_line;
  } cases[] = {
      {"127.0.0.1", peer.port(), "GET http://svc.example/x HTTP/1.1"},
      // An address without a port, or a port without an address: no proxy.
      {"127.0.0.1", 0, "GET /x HTTP/1.1"},
      {"", peer.port(), "GET /x HTTP/1.1"},
  };
  for (const Case& c : cases) {
    UseProxy(c.address, c.port);
    HttpExchange exchange;
    ASSERT_EQ(Get("svc.example", &exchange), 1) << c.request_line;
    EXPECT_STREQ(exchange.Body(), "ok");
    EXPECT_EQ(RequestLine(peer.Requests().back()), c.request_line);
  }
  EXPECT_TRUE(LogHas(L"inet: response 2 bytes"));
}

TEST_F(HttpExchangeTest, EmptyBodyIsCompleteAtTheBlankLine) {
  ScriptedPeer peer([](const std::string&) { return Answer("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n"); });
  UseProxy(peer.port());
  HttpExchange exchange;
  ASSERT_EQ(Get("svc.example", &exchange), 1);
  EXPECT_EQ(exchange.ContentLength(), 0u);
  ASSERT_NE(exchange.Body(), nullptr);
  EXPECT_EQ(exchange.Body()[0], '\0');
}

TEST_F(HttpExchangeTest, SilenceLimitCountsFromTheLastByte) {
  // Ten pieces 1 device second apart: twice the 5 seconds of the limit in
  // all, and 4 seconds to spare for a loaded host after each pause.
  const std::string answer = HttpAnswer("0123456789");
  PeerScript script;
  const size_t piece = (answer.size() + 9) / 10;
  for (size_t at = 0; at < answer.size(); at += piece) script.chunks.push_back(answer.substr(at, piece));
  ASSERT_EQ(script.chunks.size(), 10u);
  script.pause_ms = static_cast<int>(1000 / kTestTimeScale);
  ScriptedPeer peer([&](const std::string&) { return script; });
  UseProxy(peer.port());
  HttpExchange exchange;
  ASSERT_EQ(Get("svc.example", &exchange), 1);
  EXPECT_STREQ(exchange.Body(), "0123456789");
}

TEST_F(HttpExchangeTest, MoreBytesThanAnnouncedTimeOut) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n012345678901";
  ScriptedPeer peer([&](const std::string&) { return Answer(answer); });
  UseProxy(peer.port());
  HttpExchange exchange;
  ASSERT_EQ(exchange.OpenConnection("svc.example"), 1);
  ASSERT_EQ(exchange.SendText("GET http://svc.example/x HTTP/1.1\r\n\r\n", 0), 1);
  // The count in the log is of the whole answer only once it is all in.
  ASSERT_TRUE(peer.WaitDelivered(1));
  EXPECT_EQ(exchange.ReceiveResponse(), 0);
  EXPECT_TRUE(LogHas(L"ERR: recv() failed " + std::to_wstring(answer.size()) + L" TIMEOUT"));
}

TEST_F(HttpExchangeTest, AnswerMustBeSmallerThanTheBuffer) {
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: ";
  auto answer_of_size = [&](size_t total) {
    const size_t body = total - header.size() - 4 - 4;  // four digits of length
    return header + std::to_string(body) + "\r\n\r\n" + std::string(body, 'b');
  };
  struct Case {
    std::string answer;
    int result;
  } cases[] = {
      {answer_of_size(4095), 1},
      {answer_of_size(4096), 0},
      {answer_of_size(5000), 0},
      // A full buffer with no end of header anywhere.
      {std::string(4096, 'x'), 0},
  };
  for (const Case& c : cases) {
    ScriptedPeer peer([&](const std::string&) { return Answer(c.answer); });
    UseProxy(peer.port());
    DiagnosticLog().Clear();
    HttpExchange exchange;
    EXPECT_EQ(Get("svc.example", &exchange), c.result) << c.answer.size();
    EXPECT_EQ(LogHas(L"ERR: inet small buffer"), c.result == 0) << c.answer.size();
  }
}

TEST_F(HttpExchangeTest, LengthHeaderThatIsNotAPlainNumberFailsTheParse) {
  const char* headers[] = {
      "content-length: 2",            // spelled in lower case: not found
      "Content-Length: 4294967298",   // beyond 32 bits: would wrap to 2
      "Content-Length: -2",
      "Content-Length: 2abc",
      "Content-Length: ",
      "Content-Type: text/plain",     // none at all
  };
  for (const char* header : headers) {
    const std::string answer = std::string("HTTP/1.1 200 OK\r\n") + header + "\r\n\r\nok";
    ScriptedPeer peer([&](const std::string&) { return Answer(answer); });
    UseProxy(peer.port());
    DiagnosticLog().Clear();
    HttpExchange exchange;
    EXPECT_EQ(Get("svc.example", &exchange), 0) << header;
    EXPECT_TRUE(LogHas(L"ERR: parse response failed")) << header;
  }
}

TEST_F(HttpExchangeTest, TrafficCountsEveryByteBothWays) {
  const std::string answer = HttpAnswer("twelve bytes");
  ScriptedPeer peer([&](const std::string&) { return Answer(answer); });
  UseProxy(peer.port());
  const DWORD before = ReadTraffic();
  HttpExchange exchange;
  ASSERT_EQ(Get("svc.example", &exchange), 1);
  const std::string request = peer.Requests().at(0);
  EXPECT_EQ(ReadTraffic() - before, request.size() + answer.size());
}

TEST_F(HttpExchangeTest, ConnectionFailuresAreNamed) {
  uint16_t closed_port;
  {
    IdlePort gone(false);
    closed_port = gone.port();
  }
  const std::string closed_entry = "127.0.0.1:" + std::to_string(closed_port);
  struct Case {
    const char* manager_mode;
    DWORD proxy_port;  // 0: direct, through the hosts table
    bool host_known;
    const wchar_t* error;
  } cases[] = {
      {"refused", 0, true, L"ERR: ConnMgrEstablishConnection() failed"},
      {"never", 0, true, L"ERR: ConnMgrConnectionStatus() failed"},
      {"connected", closed_port, true, L"ERR: proxy connect() failed"},
      {"connected", 0, false, L"ERR: getaddrinfo() failed"},
      {"connected", 0, true, L"ERR: connect() failed"},
  };
  for (const Case& c : cases) {
    Json::Value profile;
    profile["connectionManager"]["mode"] = c.manager_mode;
    profile["network"]["hostResolver"] = false;
    if (c.host_known) profile["hosts"]["svc.example"] = closed_entry;
    UseProfile(profile);
    UseProxy("127.0.0.1", c.proxy_port);
    DiagnosticLog().Clear();
    HttpExchange exchange;
    EXPECT_EQ(exchange.OpenConnection("svc.example"), 0) << c.manager_mode;
    EXPECT_TRUE(LogHas(c.error)) << c.manager_mode;
  }
}

TEST_F(HttpExchangeTest, ConnectionIsRequestedForTheInternetAndReleasedWithCaching) {
  ScriptedPeer peer([](const std::string&) { return Answer(HttpAnswer("ok")); });
  UseProxy(peer.port());
  {
    HttpExchange exchange;
    ASSERT_EQ(Get("svc.example", &exchange), 1);
    exchange.CloseConnection();
    EXPECT_EQ(exchange.Body(), nullptr);
  }
  // One request for the Internet, released once with caching, although the
  // destructor closes again.
  std::vector<std::string> lines;
  std::istringstream log(ConnectionManagerLog());
  for (std::string line; std::getline(log, line);) lines.push_back(WithoutConnectionNumber(line));
  EXPECT_EQ(lines, (std::vector<std::string>{"establish dest={436EF144-B4FB-4863-A041-8F905A62C572} flags=0x1 priority=0x8000",
                                             "release cache=1"}));
}

TEST_F(HttpExchangeTest, SendStallsIntoItsSilenceLimit) {
  IdlePort deaf(false);
  UseProxy(deaf.port());
  HttpExchange exchange;
  ASSERT_EQ(exchange.OpenConnection("svc.example"), 1);
  const std::string flood(64 << 20, 'f');
  EXPECT_EQ(exchange.SendText(flood.data(), static_cast<DWORD>(flood.size())), 0);
  EXPECT_TRUE(LogHas(L"ERR: send() failed TIMEOUT"));
}

// One Interrupt ends a connect to an address that never answers, a send that
// has stalled and a receive that waits, each on its own thread, long before
// any of their limits (the device clock runs at host speed here).
TEST_F(HttpExchangeTest, InterruptEndsConnectSendAndReceiveAtOnce) {
  Json::Value profile;
  profile["timeScale"] = 1;
  WriteProfile(profile);
  IdlePort unanswered(true);
  IdlePort deaf(false);
  ScriptedPeer mute([](const std::string&) { return PeerScript{}; });
  // Each exchange copies the proxy settings when it is made.
  UseProxy(unanswered.port());
  HttpExchange connecting;
  UseProxy(deaf.port());
  HttpExchange sending;
  UseProxy(mute.port());
  HttpExchange receiving;
  ASSERT_EQ(sending.OpenConnection("svc.example"), 1);
  ASSERT_EQ(receiving.OpenConnection("svc.example"), 1);
  ASSERT_EQ(receiving.SendText("GET /x HTTP/1.1\r\n\r\n", 0), 1);

  int connect_result = -1, send_result = -1, send_then_receive = -1, receive_result = -1;
  const std::string flood(64 << 20, 'f');
  std::thread connect_thread([&] { connect_result = connecting.OpenConnection("svc.example"); });
  std::thread send_thread([&] {
    send_result = sending.SendText(flood.data(), static_cast<DWORD>(flood.size()));
    send_then_receive = sending.ReceiveResponse();
  });
  std::thread receive_thread([&] { receive_result = receiving.ReceiveResponse(); });
  Sleep(500);
  SetFlag(Interrupt);
  connect_thread.join();
  send_thread.join();
  receive_thread.join();

  EXPECT_EQ(connect_result, 0);
  EXPECT_TRUE(LogHas(L"ERR: proxy connect() failed"));
  EXPECT_EQ(send_result, 1);  // stopped sending; the receive then fails at once
  EXPECT_EQ(send_then_receive, 0);
  EXPECT_EQ(receive_result, 0);
  for (const std::wstring& line : LogLines()) EXPECT_EQ(line.find(L"TIMEOUT"), std::wstring::npos) << line;
}

// Interrupted before the connection is made, an exchange does not wait on a
// slow resolver for a name it will not use.
TEST_F(HttpExchangeTest, AnInterruptedExchangeResolvesNoName) {
  Json::Value profile;
  profile["timeScale"] = 1000;
  profile["network"]["hostResolver"] = false;
  profile["network"]["resolveDelayMs"] = 3600000;
  WriteProfile(profile);
  SetFlag(Interrupt);
  HttpExchange exchange;
  const DWORD start = GetTickCount();
  EXPECT_EQ(exchange.OpenConnection("svc.example"), 0);
  EXPECT_LT(GetTickCount() - start, 3600000u) << "the exchange waited for the name";
  EXPECT_TRUE(LogHas(L"ERR: connect() failed"));
  EXPECT_FALSE(LogHas(L"ERR: getaddrinfo() failed"));
}

}  // namespace
}  // namespace kelvane::testing
