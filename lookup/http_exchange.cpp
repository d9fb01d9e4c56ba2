#include "lookup/http_exchange.h"

#include <connmgr.h>
#include <ws2tcpip.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/app_state.h"
#include "core/flags.h"
#include "core/process_state.h"
#include "lookup/extract_between.h"
#include "settings/message_list.h"

namespace {

constexpr DWORD kPollPause = 10;  // ms between polls of a socket that is not ready
constexpr size_t kMaxLine = 512;  // a request or header line

void LogError(const WCHAR* text) { DiagnosticLog().Error(text); }

// Puts the socket in non-blocking mode and connects it, polling until the
// connection is up, has failed, or Interrupt is set. Winsock reports a connect
// under way as WSAEWOULDBLOCK first and then, to repeated calls, as
// WSAEALREADY (older stacks: WSAEINVAL or WSAEWOULDBLOCK), and one that has
// completed as WSAEISCONN; any other error is the connect's failure. There is
// no time bound of our own: as with a blocking connect, the stack gives up
// on an address that never answers.
bool Connect(SOCKET s, const sockaddr* address, int address_length) {
  u_long non_blocking = 1;
  if (ioctlsocket(s, static_cast<long>(FIONBIO), &non_blocking) != 0) return false;
  if (connect(s, address, address_length) == 0) return true;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  for (;;) {
    if (TestFlag(Interrupt)) return false;
    Sleep(kPollPause);
    if (connect(s, address, address_length) == 0) return true;
    const int error = WSAGetLastError();
    if (error == WSAEISCONN) return true;
    if (error != WSAEALREADY && error != WSAEINVAL && error != WSAEWOULDBLOCK) return false;
  }
}

}  // namespace

HttpExchange::HttpExchange() {
  const Settings& settings = GetAppState().settings;
  memcpy(proxy_address_, settings.proxy_address, sizeof proxy_address_);
  proxy_address_[sizeof proxy_address_ - 1] = '\0';
  proxy_port_ = settings.proxy_port;
}

HttpExchange::~HttpExchange() { CloseConnection(); }

bool HttpExchange::ProxyInUse() const { return proxy_address_[0] != '\0' && proxy_port_ != 0; }

int HttpExchange::OpenConnection(const char* host) {
  content_length_ = 0;
  socket_ = INVALID_SOCKET;
  connection_ = nullptr;

  CONNMGR_CONNECTIONINFO info = {};
  info.cbSize = 64;  // the structure's size on the device
  info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
  info.dwFlags = CONNMGR_FLAG_PROXY_HTTP;
  info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
  info.guidDestNet = IID_DestNetInternet;
  if (ConnMgrEstablishConnection(&info, &connection_) != S_OK) {
    LogError(L"ConnMgrEstablishConnection() failed");
    return 0;
  }

  // Polled without a pause: the wait is short and bounded, and the data
  // connection is usually up already.
  DWORD status = CONNMGR_STATUS_DISCONNECTED;
  const DWORD start = GetTickCount();
  for (;;) {
    ConnMgrConnectionStatus(connection_, &status);
    if (TestFlag(Interrupt) || status == CONNMGR_STATUS_CONNECTED) break;
    if (GetTickCount() - start > connection_timeout_) {
      LogError(L"ConnMgrConnectionStatus() failed");
      return 0;
    }
  }

  return ProxyInUse() ? ConnectThroughProxy() : ConnectDirect(host);
}

int HttpExchange::ConnectThroughProxy() {
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    LogError(L"proxy socket() failed");
    return 0;
  }
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(proxy_port_ & 0xFFFF));
  address.sin_addr.s_addr = static_cast<ULONG>(inet_addr(proxy_address_));
  if (!Connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
    LogError(L"proxy connect() failed");
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return 0;
  }
  return 1;
}

int HttpExchange::ConnectDirect(const char* host) {
  // An interrupted exchange never connects, so it does not wait for a name
  // either: on a slow link that wait alone can outlast a quit's join.
  if (TestFlag(Interrupt)) {
    LogError(L"connect() failed");
    return 0;
  }
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* addresses = nullptr;
  if (getaddrinfo(host, "80", &hints, &addresses) != 0) {
    LogError(L"getaddrinfo() failed");
    return 0;
  }
  for (const addrinfo* a = addresses; a; a = a->ai_next) {
    socket_ = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (socket_ == INVALID_SOCKET) continue;
    if (!TestFlag(Interrupt) && Connect(socket_, a->ai_addr, static_cast<int>(a->ai_addrlen))) break;
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (TestFlag(Interrupt)) break;
  }
  freeaddrinfo(addresses);
  if (socket_ == INVALID_SOCKET) {
    LogError(L"connect() failed");
    return 0;
  }
  return 1;
}

int HttpExchange::SendText(const char* text, DWORD length) {
  if (length == 0) length = static_cast<DWORD>(strlen(text));
  DWORD last = GetTickCount();
  DWORD sent = 0;
  while (sent < length) {
    // Stopping here fails the following ReceiveResponse at once.
    if (TestFlag(Interrupt)) return 1;
    // Read before the send, so that only a send that moved nothing after the
    // limit had passed ends the loop, however long this thread was held up.
    const bool silent_too_long = GetTickCount() - last > send_timeout_;
    const int n = send(socket_, text + sent, static_cast<int>(length - sent), 0);
    if (n < 1) {
      if (silent_too_long) {
        LogError(L"send() failed TIMEOUT");
        return 0;
      }
      Sleep(kPollPause);
    } else {
      AddTraffic(static_cast<DWORD>(n));
      last = GetTickCount();
      sent += static_cast<DWORD>(n);
    }
  }
  return 1;
}

int HttpExchange::SendRequestLine(const char* method, const char* host, const char* target) {
  return ProxyInUse() ? SendLine("%s http://%s%s HTTP/1.1\r\n", method, host, target)
                      : SendLine("%s %s HTTP/1.1\r\n", method, target);
}

int HttpExchange::SendHeader(const char* name, const char* value) { return SendLine("%s: %s\r\n", name, value); }

int HttpExchange::SendLine(const char* format, ...) {
  char line[kMaxLine];
  va_list arguments;
  va_start(arguments, format);
  const int length = vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (length < 0 || static_cast<size_t>(length) >= sizeof line) {
    LogError(L"request line too long");
    return 0;
  }
  return SendText(line, static_cast<DWORD>(length));
}

int HttpExchange::ReceiveResponse() {
  char buffer[kResponseLimit] = {};
  DWORD received = 0;
  DWORD last = GetTickCount();
  for (;;) {
    if (TestFlag(Interrupt)) return 0;
    // Read before the recv: bytes that came within the limit are taken even
    // when this thread looks late.
    const bool silent_too_long = GetTickCount() - last > receive_timeout_;
    const int n = recv(socket_, buffer + received, static_cast<int>(kResponseLimit - received), 0);
    if (n < 1) {
      if (silent_too_long) {
        WCHAR line[64];
        swprintf(line, 64, L"recv() failed %u TIMEOUT", static_cast<unsigned>(received));
        LogError(line);
        return 0;
      }
      Sleep(kPollPause);
    } else {
      AddTraffic(static_cast<DWORD>(n));
      last = GetTickCount();
      received += static_cast<DWORD>(n);
      // A response that fills the whole buffer may go on beyond it: refused
      // before it is read as complete.
      if (received >= kResponseLimit) break;
      const long header_end = FindText(buffer, received, "\r\n\r\n");
      if (header_end >= 0) {
        DWORD length = 0;
        if (!ExtractBetween(buffer, received, "Content-Length:", "\r\n", &length)) {
          LogError(L"parse response failed");
          return 0;
        }
        content_length_ = length;
        if (static_cast<ULONGLONG>(header_end) + 4 + length == received) {
          body_ = std::make_unique<char[]>(length + 1);
          memcpy(body_.get(), buffer + received - length, length);
          WCHAR line[64];
          swprintf(line, 64, L"inet: response %d bytes", static_cast<int>(length));
          DiagnosticLog().AppendText(line, kBlack);
          return 1;
        }
      }
    }
  }
  LogError(L"inet small buffer");
  return 0;
}

void HttpExchange::CloseConnection() {
  body_.reset();
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  // Released with caching: the data connection stays up for the next request.
  if (connection_) ConnMgrReleaseConnection(connection_, 1);
  connection_ = nullptr;
}
