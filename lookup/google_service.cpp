// Windows wants winsock2.h before anything includes windows.h.
#include <winsock2.h>

#include "lookup/google_service.h"

#include <string.h>

#include "lookup/http_exchange.h"
#include "lookup/service_position.h"
#include "settings/message_list.h"

namespace {

constexpr DWORD kAnswerMinimum = 19;
// Millionths of a degree to degrees, in single precision as the answer's
// consumers have always computed it (53305120 gives 53.305119).
constexpr float kMicrodegree = 0.000001f;

void Put32(uint8_t* at, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
}

int32_t Get32(const char* at) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = (bits << 8) | static_cast<uint8_t>(at[i]);
  return static_cast<int32_t>(bits);
}

}  // namespace

void BuildGoogleRequest(const CellRecord& cell, uint8_t body[kGoogleRequestSize]) {
  memset(body, 0, kGoogleRequestSize);
  body[1] = 0x0E;
  body[16] = 0x1B;
  Put32(body + 17, cell.network);
  Put32(body + 21, cell.country);
  const bool long_id = cell.cell_id > 65535;
  body[28] = long_id ? 0x05 : 0x03;
  Put32(body + 31, long_id ? cell.cell_id : (cell.cell_id & 0xFFFF));
  Put32(body + 35, cell.area);
  Put32(body + 39, cell.network);
  Put32(body + 43, cell.country);
  Put32(body + 47, -1);
}

int ReadGoogleAnswer(const char* body, DWORD length, Position* out) {
  if (length < kAnswerMinimum || Get32(body + 3) != 0) {
    DiagnosticLog().Warning(L"g: no tower");
    return -3;
  }
  Position p;
  p.latitude = static_cast<float>(Get32(body + 7)) * kMicrodegree;
  p.longitude = static_cast<float>(Get32(body + 11)) * kMicrodegree;
  p.accuracy = Get32(body + 15);
  if (!IsOnGlobe(p.latitude, p.longitude)) {
    DiagnosticLog().Warning(L"g: impossible position");
    return -3;
  }
  *out = p;
  return 0;
}

int ResolveGoogle(const CellRecord& cell, Position* out) {
  DiagnosticLog().AppendText(L"inet g", kBlack);
  HttpExchange exchange;
  if (!exchange.OpenConnection(kGoogleHost)) return -1;
  uint8_t request[kGoogleRequestSize];
  BuildGoogleRequest(cell, request);
  if (!exchange.SendRequestLine("POST", kGoogleHost, "/glm/mmap") ||
      !exchange.SendHeader("User-Agent", "WINM-TEST-USER-AGENT") || !exchange.SendHeader("Host", kGoogleHost) ||
      !exchange.SendHeader("Content-Length", "55") || !exchange.SendHeader("Content-Type", "application/binary") ||
      !exchange.SendText("\r\n", 0) || !exchange.SendText(reinterpret_cast<const char*>(request), kGoogleRequestSize))
    return -1;
  if (!exchange.ReceiveResponse()) return -1;

  Position p;
  const int code = ReadGoogleAnswer(exchange.Body(), exchange.ContentLength(), &p);
  return ReportServiceAnswer(L"inet g", cell, code, p, out);
}
