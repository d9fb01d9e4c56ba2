#include "cell/home_codes.h"

#include <windows.h>
#include <simmgr.h>

#include <vector>

#include "settings/message_list.h"

namespace {

constexpr DWORD kImsiFile = 0x6F07;
// The digit string holds at most 63 digits, whatever record size the SIM reports.
constexpr size_t kMaxDigits = 63;

// Reads the IMSI record; false when the SIM could not be read.
bool ReadImsiRecord(std::vector<BYTE>* record) {
  HSIM sim = 0;
  bool read = false;
  if (SUCCEEDED(SimInitialize(0, nullptr, 0, &sim))) {
    SIMRECORDINFO info = {};
    info.cbSize = sizeof info;
    if (SUCCEEDED(SimGetRecordInfo(sim, kImsiFile, &info)) && info.dwSize > 0) {
      record->assign(info.dwSize, 0);
      DWORD bytes_read = 0;
      if (SUCCEEDED(SimReadRecord(sim, kImsiFile, info.dwRecordType, 0, record->data(), info.dwSize, &bytes_read)) &&
          bytes_read != 0) {
        record->resize(bytes_read < info.dwSize ? bytes_read : info.dwSize);  // never past the bytes read
        read = true;
      }
    }
  }
  SimDeinitialize(sim);
  return read;
}

// Byte 0 is the length of what follows; of byte 1 only the high nibble is a
// digit; every later byte holds two digits, low nibble first. The digits end
// at the first nibble that is no decimal digit (0xF pads a short identity),
// so padding is never read as part of the codes.
std::wstring ImsiDigits(const std::vector<BYTE>& record) {
  std::wstring digits;
  if (record.empty()) return digits;
  const size_t end = record.size() < size_t{1} + record[0] ? record.size() : size_t{1} + record[0];
  std::vector<BYTE> nibbles;
  if (end > 1) nibbles.push_back(record[1] >> 4);
  for (size_t i = 2; i < end; ++i) {
    nibbles.push_back(record[i] & 0x0F);
    nibbles.push_back(record[i] >> 4);
  }
  for (BYTE n : nibbles) {
    if (n > 9 || digits.size() == kMaxDigits) break;
    digits += static_cast<wchar_t>(L'0' + n);
  }
  return digits;
}

}  // namespace

bool HasThreeDigitNetworkCodes(int32_t country) {
  static const int32_t kCountries[] = {302, 310, 311, 316, 338, 342, 344, 346, 348,
                                       356, 358, 360, 364, 365, 366, 372, 722, 732};
  for (int32_t c : kCountries)
    if (c == country) return true;
  return false;
}

int ReadHomeCodes(int32_t* country, int32_t* network) {
  std::vector<BYTE> record;
  if (!ReadImsiRecord(&record)) return 0;
  const std::wstring digits = ImsiDigits(record);
  if (digits.size() < 6) return 0;
  auto d = [&digits](size_t k) { return static_cast<int32_t>(digits[k] - L'0'); };
  const int32_t mcc = 100 * d(0) + 10 * d(1) + d(2);
  const int32_t mnc = HasThreeDigitNetworkCodes(mcc) ? 100 * d(3) + 10 * d(4) + d(5) : 10 * d(3) + d(4);
  *country = mcc;
  *network = mnc;
  WCHAR line[64];
  swprintf(line, 64, L"mcc %d mnc %d", mcc, mnc);
  DiagnosticLog().AppendText(line, kBlack);
  return 1;
}
