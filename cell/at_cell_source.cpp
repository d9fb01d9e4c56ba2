#include "cell/at_cell_source.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "cell/at_reply.h"
#include "core/flags.h"
#include "core/messages.h"
#include "core/process_state.h"
#include "settings/config_file.h"
#include "settings/message_list.h"

namespace {

// The ports a modem may sit behind, in the order they are tried after the
// stored one: Bluetooth serial links of the phone's stacks, then COM0: to COM9:.
const WCHAR* const kNamedCandidates[] = {L"BTL1:", L"BTC1:", L"BTC2:", L"BTC4:", L"BSP1:", L"BTH1:"};
constexpr int kNamedCount = static_cast<int>(std::size(kNamedCandidates));
constexpr int kNumberedCandidates = 10;

// A control of the device's own that some modem ports expect once the line is set up;
// ports that do not know it refuse it, so its failure is only logged.
constexpr DWORD kVendorControl = 0xAAAA5679;

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kChunk = 1024;

// The line's read time-outs, in ms. A read of n bytes ends when it has them,
// after kReadInterval of silence once a byte has come, or after
// kReadMultiplier * n + kReadConstant in all.
constexpr DWORD kReadInterval = 5000;
constexpr DWORD kReadMultiplier = 20;
constexpr DWORD kReadConstant = 5000;
// A read on a silent line would block for up to 25 s, past the 10 s that
// shut-down waits for the worker; the port is therefore asked for what it
// has in slices this short, and the time-outs above are kept by ReadChunk.
constexpr DWORD kReadSlice = 50;

void Log(const WCHAR* text) { DiagnosticLog().AppendText(text, kBlack); }

template <typename... Args>
void LogError(const WCHAR* format, Args... args) {
  WCHAR line[512];
  swprintf(line, 512, format, args...);
  DiagnosticLog().Error(line);
}

// The 8-bit text as a log line after its prefix, cut to the line's size.
void LogTraffic(const WCHAR* prefix, const char* text, size_t length, size_t limit) {
  WCHAR wide[kChunk + 1];
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(std::min(length, limit)), wide, static_cast<int>(limit));
  wide[n > 0 ? n : 0] = 0;
  WCHAR line[512];
  swprintf(line, 512, L"%ls%.500ls", prefix, wide);
  Log(line);
}

}  // namespace

AtCellSource::~AtCellSource() {
  if (port_ == INVALID_HANDLE_VALUE) return;
  PurgeComm(port_, kPurgeAll);
  if (!EscapeCommFunction(port_, CLRDTR))
    LogError(L"EscapeCommFunction() CLRDTR failed %d.", static_cast<int>(GetLastError()));
  if (!CloseHandle(port_)) DiagnosticLog().Error(L"CloseHandle(port) failed");
}

CellRecord* AtCellSource::GetCell(int, CellRecord* destination) {
  *destination = cell_;
  return destination;
}

void AtCellSource::ClosePort() {
  CloseHandle(port_);
  port_ = INVALID_HANDLE_VALUE;
}

bool AtCellSource::OpenPort(const WCHAR* name) {
  port_ = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port_ == INVALID_HANDLE_VALUE) {
    LogError(L"CreateFile( %ls ) failed", name);
    return false;
  }
  WCHAR line[160];
  swprintf(line, 160, L"%ls is OK", name);
  Log(line);

  DCB dcb;
  dcb.DCBlength = sizeof dcb;
  COMMTIMEOUTS timeouts;
  const WCHAR* failed = nullptr;
  if (!GetCommState(port_, &dcb)) {
    failed = L"GetCommState() failed %d";
  } else {
    dcb.BaudRate = 57600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(port_, &dcb))
      failed = L"SetCommState() failed %d.";
    else if (!EscapeCommFunction(port_, SETDTR))
      failed = L"EscapeCommFunction() SETDTR failed %d.";
    else if (!EscapeCommFunction(port_, SETRTS))
      failed = L"EscapeCommFunction() SETRTS failed %d.";
    else if (!GetCommTimeouts(port_, &timeouts))
      failed = L"GetCommTimeouts() failed %d.";
  }
  if (!failed) {
    timeouts.ReadIntervalTimeout = kReadInterval;
    timeouts.ReadTotalTimeoutMultiplier = kReadMultiplier;
    timeouts.ReadTotalTimeoutConstant = kReadConstant;
    timeouts.WriteTotalTimeoutMultiplier = 20;
    timeouts.WriteTotalTimeoutConstant = 5000;
    if (!SetCommTimeouts(port_, &timeouts)) failed = L"SetCommTimeouts() failed %d.";
  }
  if (!failed) {
    // Each ReadFile returns as soon as bytes are there, or after one slice.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadSlice;
    if (!SetCommTimeouts(port_, &timeouts)) failed = L"SetCommTimeouts() failed %d.";
  }
  if (failed) {
    LogError(failed, static_cast<int>(GetLastError()));
    ClosePort();
    return false;
  }
  const BYTE vendor_input[2] = {0x84, 0x00};
  DWORD returned = 0;
  if (!DeviceIoControl(port_, kVendorControl, const_cast<BYTE*>(vendor_input), sizeof vendor_input, nullptr, 0,
                       &returned, nullptr))
    LogError(L"DeviceIoControl() failed %d.", static_cast<int>(GetLastError()));
  PurgeComm(port_, kPurgeAll);
  ReadReply(nullptr, 0);  // drains what the modem said before we asked
  return true;
}

int AtCellSource::Open() {
  Log(L"--- Trying AT mode ---");
  PostToMainWindow(MSG_BUSY);
  WCHAR name[129] = {0};
  bool stored = ReadText(L"ModemPort", name);
  int result = -1;
  // i below 0 names kNamedCandidates[i + kNamedCount], from 0 on COMi:.
  for (int i = -kNamedCount; i < kNumberedCandidates;) {
    if (TestFlag(Interrupt)) break;
    if (stored) {
      stored = false;
    } else {
      if (i < 0)
        wcscpy(name, kNamedCandidates[i + kNamedCount]);
      else
        swprintf(name, 129, L"COM%d:", i);
      ++i;
    }
    if (!OpenPort(name)) continue;
    if (Refresh() == 0) {
      result = 0;
      break;
    }
    ClosePort();
  }
  if (result == 0) WriteText(L"ModemPort", name);
  // Country and network code stay: a later dialogue need not ask the operator again.
  cell_.area = -1;
  cell_.cell_id = -1;
  PostToMainWindow(MSG_IDLE);
  return result;
}

int AtCellSource::Refresh() {
  PostToMainWindow(MSG_BUSY);
  const int result = Dialogue();
  PostToMainWindow(MSG_IDLE);
  return result;
}

int AtCellSource::Dialogue() {
  if (SendCommand("AT+CREG=2\r", 5000) || ReadReply(nullptr, 10000)) return -1;
  if (SendCommand("AT+CREG?\r", 5000) || ReadReply("CREG", 10000)) return -1;
  ReadRegistration(reply_, &cell_.area, &cell_.cell_id);

  if (SendCommand("AT+CSQ\r", 5000) || ReadReply("CSQ", 10000)) return -1;
  if (!ReadSignal(reply_, &cell_.signal)) {
    cell_.signal = -1;
    DiagnosticLog().Error(L"signal parsing failed");
  }

  if (cell_.country <= 0 || cell_.network < 0) {
    // The current operator's answer is not used; the list names the home
    // network first, by its numeric code.
    if (SendCommand("AT+COPS?\r", 5000) || ReadReply("COPS", 10000)) return -1;
    if (SendCommand("AT+COPS=?\r", 5000) || ReadReply("COPS", 80000)) return -1;
    if (!ReadOperator(reply_, &cell_.country, &cell_.network)) return -1;
  }

  WCHAR line[128];
  swprintf(line, 128, L"a %d %d %d %d %d", cell_.country, cell_.network, cell_.area, cell_.cell_id, cell_.signal);
  Log(line);
  return 0;
}

int AtCellSource::SendCommand(const char* text, DWORD budget) {
  PurgeComm(port_, kPurgeAll);  // an answer nobody waited for must not pass for this one's
  const size_t length = strlen(text);
  DWORD last = GetTickCount();
  for (size_t sent = 0; sent < length;) {
    if (TestFlag(Interrupt)) return -1;
    DWORD written = 0;
    if (WriteFile(port_, text + sent, 1, &written, nullptr) && written == 1) {
      last = GetTickCount();
      ++sent;
    } else {
      Sleep(10);
    }
    if (GetTickCount() - last > budget) {
      DiagnosticLog().Error(L"WriteFile() failed TIMEOUT");
      return -1;
    }
  }
  LogTraffic(L"-> ", text, length, 128);
  return 0;
}

bool AtCellSource::ReadChunk(char* chunk, DWORD size, DWORD* got) {
  *got = 0;
  const DWORD start = GetTickCount();
  const DWORD total = kReadMultiplier * size + kReadConstant;
  DWORD last = start;
  for (;;) {
    if (TestFlag(Interrupt)) return false;
    const DWORD before = GetTickCount();
    DWORD n = 0;
    if (!ReadFile(port_, chunk + *got, size - *got, &n, nullptr)) {
      // A failing port is not asked again within this read.
      return true;
    }
    const DWORD now = GetTickCount();
    // A port that ignores the slice and answers at once must not be spun on.
    if (n == 0 && now - before < kReadSlice) Sleep(10);
    if (n > 0) {
      *got += n;
      last = now;
    }
    if (*got >= size) return true;
    if (*got > 0 && now - last >= kReadInterval) return true;
    if (now - start >= total) return true;
  }
}

int AtCellSource::ReadReply(const char* token, DWORD budget) {
  reply_.clear();
  DWORD last = GetTickCount();
  char chunk[kChunk];
  for (;;) {
    if (TestFlag(Interrupt)) return -1;
    DWORD n = 0;
    if (!ReadChunk(chunk, kChunk, &n)) return -1;
    if (n == 0) Sleep(10);
    if (n > 0) {
      last = GetTickCount();
      if (reply_.size() + n > kReplyLimit) {
        LogError(L"ReadFile() failed: answer longer than %d bytes", static_cast<int>(kReplyLimit));
        return -1;
      }
      reply_.append(chunk, n);
      const bool incomplete =
          token && (reply_.find('\r') == std::string::npos || reply_.find(token) == std::string::npos);
      if (!incomplete && n < kChunk) {
        LogTraffic(L"<- ", reply_.data(), reply_.size(), kChunk);
        return 0;
      }
    }
    if (GetTickCount() - last > budget) {
      DiagnosticLog().Error(L"ReadFile() failed TIMEOUT");
      return -1;
    }
  }
}
