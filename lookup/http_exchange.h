// One HTTP/1.1 request and its response over a Connection Manager connection,
// straight to the service or through the configured proxy.
//
// Use: construct (which copies the proxy settings), OpenConnection, SendText
// once per request line, header line, the empty line and the body, stopping at
// the first 0, ReceiveResponse, then read Body(); CloseConnection (or the
// destructor) in every case. One exchange serves one request on one thread and
// is never reused. Every byte moved is added to the traffic counter. The
// Interrupt flag ends the connection wait, a connect, a send and a receive.
//
// Sockets are non-blocking: the loops poll every 10 ms, so the silence limits
// count from the last byte moved and Interrupt is seen at once, also while a
// connect to an address that never answers is under way.
#ifndef KELVANE_LOOKUP_HTTP_EXCHANGE_H
#define KELVANE_LOOKUP_HTTP_EXCHANGE_H

#include <winsock2.h>
#include <windows.h>

#include <memory>

// A response, header included, must be smaller than this.
constexpr DWORD kResponseLimit = 4096;

class HttpExchange {
 public:
  HttpExchange();
  ~HttpExchange();
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  // host: the service's host name. 1 connected, 0 failed (logged).
  int OpenConnection(const char* host);
  // length 0: text is zero-terminated. 1 sent (or Interrupt seen), 0 failed.
  int SendText(const char* text, DWORD length);
  // The request line in the form the proxy rule asks for: absolute
  // ("POST http://host/path HTTP/1.1") through a proxy, else origin form.
  int SendRequestLine(const char* method, const char* host, const char* target);
  // One header line, "name: value\r\n".
  int SendHeader(const char* name, const char* value);
  // 1 with Body() and ContentLength() set, 0 failed (logged).
  int ReceiveResponse();
  // Frees the body, closes the socket, releases the connection with caching.
  void CloseConnection();

  // The proxy is used when both its address and its port are set.
  bool ProxyInUse() const;
  // ContentLength() bytes followed by a zero byte; null before a response.
  const char* Body() const { return body_.get(); }
  DWORD ContentLength() const { return content_length_; }

 private:
  int ConnectThroughProxy();
  int ConnectDirect(const char* host);
  // Formats one line and sends it; a line longer than the line buffer is
  // refused (logged) rather than cut.
  int SendLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

  std::unique_ptr<char[]> body_;
  DWORD content_length_ = 0;
  DWORD send_timeout_ = 3000;
  DWORD receive_timeout_ = 5000;
  DWORD connection_timeout_ = 7000;
  char proxy_address_[128] = {};
  DWORD proxy_port_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
  HANDLE connection_ = nullptr;
};

#endif
