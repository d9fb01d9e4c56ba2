// SIM Manager over the profile's SIM card.
//
// Profile: "sim": {"imsi": "250011234567890", "present": true,
//   "failInitialize": false, "failRecordInfo": false, "failRead": false,
//   "recordSize": 9}. Without a "sim" object the device has no card.
//
// The simulated card holds one file, the IMSI (EF_IMSI, 0x6F07), stored as a
// card stores it: 9 bytes, a length byte (the bytes in use that follow), then
// the digits in nibbles, low nibble first, with the parity nibble ahead of the
// first digit (9 for an odd count, 1 for an even one) and unused nibbles 0xF.
// "recordSize" makes the card report and answer another size: a shorter
// record is cut, a longer one padded with 0xFF as unused card bytes read.
#include <simmgr.h>

#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kEfImsi = 0x6F07;
constexpr size_t kImsiFileSize = 9;
constexpr size_t kMaxImsiDigits = 15;
// One read of a transparent file answers at most 255 bytes.
constexpr DWORD kMaxRecordSize = 255;

struct SimCard {
  bool present = false;
  bool fail_initialize = false;
  bool fail_record_info = false;
  bool fail_read = false;
  std::vector<BYTE> imsi_file;  // empty: the card has no readable IMSI
  DWORD record_size = kImsiFileSize;
};

bool IsImsi(const std::string& digits) {
  if (digits.empty() || digits.size() > kMaxImsiDigits) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  return true;
}

std::vector<BYTE> EncodeImsiFile(const std::string& digits) {
  std::vector<BYTE> nibbles;
  nibbles.push_back(digits.size() % 2 ? 0x9 : 0x1);
  for (char c : digits) nibbles.push_back(static_cast<BYTE>(c - '0'));
  std::vector<BYTE> file(kImsiFileSize, 0xFF);
  file[0] = static_cast<BYTE>((nibbles.size() + 1) / 2);
  for (size_t i = 0; i < nibbles.size(); ++i) {
    BYTE& b = file[1 + i / 2];
    b = i % 2 ? static_cast<BYTE>((b & 0x0F) | (nibbles[i] << 4)) : static_cast<BYTE>((b & 0xF0) | nibbles[i]);
  }
  return file;
}

SimCard ReadCard() {
  SimCard card;
  const Json::Value& sim = kelvane::ProfileSection("sim");
  if (sim.isNull()) return card;
  card.present = kelvane::ReadFlag(kelvane::MemberOf(sim, "present"), "sim.present", true);
  card.fail_initialize = kelvane::ProfileFlag("sim", "failInitialize", false);
  card.fail_record_info = kelvane::ProfileFlag("sim", "failRecordInfo", false);
  card.fail_read = kelvane::ProfileFlag("sim", "failRead", false);
  const Json::Value& imsi = kelvane::MemberOf(sim, "imsi");
  if (imsi.isString() && IsImsi(imsi.asString()))
    card.imsi_file = EncodeImsiFile(imsi.asString());
  else if (!imsi.isNull())
    kelvane::ReportProfileProblem("\"sim.imsi\" must be text of 1 to 15 decimal digits; the card has no IMSI");
  card.record_size = static_cast<DWORD>(kelvane::ProfileCount("sim", "recordSize", card.record_size, kMaxRecordSize));
  return card;
}

struct SimHandles {
  std::mutex lock;
  std::set<HSIM> open;
  uintptr_t next = 0x51A00004;
};

SimHandles& Handles() {
  static SimHandles* handles = new SimHandles;  // outlives static destructors
  return *handles;
}

bool IsOpen(HSIM sim) {
  SimHandles& h = Handles();
  std::lock_guard<std::mutex> guard(h.lock);
  return h.open.count(sim) != 0;
}

bool HasFile(const SimCard& card, DWORD address) { return address == kEfImsi && !card.imsi_file.empty(); }

}  // namespace

// ---- SimInitialize ----
// The simulated card sends no notifications, so the callback is never called.
HRESULT SimInitialize(DWORD dwFlags, SIMCALLBACK lpfnCallBack, DWORD dwParam, LPHSIM lphSim) {
  if (!lphSim) return E_INVALIDARG;
  *lphSim = nullptr;
  if (ReadCard().fail_initialize) return E_FAIL;
  SimHandles& h = Handles();
  std::lock_guard<std::mutex> guard(h.lock);
  HSIM sim = reinterpret_cast<HSIM>(h.next);
  h.next += 4;
  h.open.insert(sim);
  *lphSim = sim;
  return S_OK;
}

// ---- SimDeinitialize ----
HRESULT SimDeinitialize(HSIM hSim) {
  SimHandles& h = Handles();
  std::lock_guard<std::mutex> guard(h.lock);
  return h.open.erase(hSim) ? S_OK : E_INVALIDARG;
}

// ---- SimGetRecordInfo ----
HRESULT SimGetRecordInfo(HSIM hSim, DWORD dwAddress, LPSIMRECORDINFO lpSimRecordInfo) {
  if (!IsOpen(hSim) || !lpSimRecordInfo || lpSimRecordInfo->cbSize != sizeof(SIMRECORDINFO)) return E_INVALIDARG;
  const SimCard card = ReadCard();
  if (!card.present) return SIM_E_SIMNOTINSERTED;
  if (card.fail_record_info) return SIM_E_NOTREADY;
  if (!HasFile(card, dwAddress)) return SIM_E_NOTFOUND;
  lpSimRecordInfo->dwParams = SIM_PARAM_RECORDINFO_ALL;
  lpSimRecordInfo->dwRecordType = SIM_RECORDTYPE_TRANSPARENT;
  lpSimRecordInfo->dwItemCount = 1;
  lpSimRecordInfo->dwSize = card.record_size;
  return S_OK;
}

// ---- SimReadRecord ----
// A transparent file is read whole; dwIndex applies to record files only.
// A buffer smaller than the record is refused and left untouched.
HRESULT SimReadRecord(HSIM hSim, DWORD dwAddress, DWORD dwRecordType, DWORD dwIndex, LPBYTE lpData,
                      DWORD dwBufferSize, LPDWORD lpdwBytesRead) {
  if (!IsOpen(hSim) || !lpdwBytesRead || (!lpData && dwBufferSize)) return E_INVALIDARG;
  *lpdwBytesRead = 0;
  const SimCard card = ReadCard();
  if (!card.present) return SIM_E_SIMNOTINSERTED;
  if (card.fail_read) return SIM_E_SIMFAILURE;
  if (!HasFile(card, dwAddress)) return SIM_E_NOTFOUND;
  if (dwRecordType != SIM_RECORDTYPE_TRANSPARENT) return SIM_E_BADPARAM;
  std::vector<BYTE> record = card.imsi_file;
  record.resize(card.record_size, 0xFF);
  if (dwBufferSize < record.size()) return SIM_E_BUFFERTOOSMALL;
  if (!record.empty()) std::memcpy(lpData, record.data(), record.size());
  *lpdwBytesRead = static_cast<DWORD>(record.size());
  return S_OK;
}
