// The SIM Manager: the IMSI file as a card stores it, the record size and
// the failures the profile asks for.
#include "support/device_fixture.h"

#include <simmgr.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using kelvane::testing::DeviceTest;
class SimTest : public DeviceTest {
 protected:
  void UseSim(const Json::Value& sim) {
    Json::Value profile;
    profile["sim"] = sim;
    WriteProfile(profile);
  }
};

constexpr DWORD kEfImsi = 0x6F07;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
  return text;
}

// The whole reading as the program does it; the HRESULT of the first call
// that fails, or S_OK with the file's bytes.
HRESULT ReadImsiFile(std::vector<BYTE>* file, SIMRECORDINFO* info_out = nullptr) {
  HSIM sim = nullptr;
  HRESULT hr = SimInitialize(SIM_INIT_NONE, nullptr, 0, &sim);
  if (FAILED(hr)) return hr;
  SIMRECORDINFO info = {};
  info.cbSize = sizeof info;
  hr = SimGetRecordInfo(sim, kEfImsi, &info);
  if (SUCCEEDED(hr)) {
    if (info_out) *info_out = info;
    file->assign(info.dwSize, 0xAA);
    DWORD read = 0xdeadbeef;
    hr = SimReadRecord(sim, kEfImsi, info.dwRecordType, 0, file->data(), info.dwSize, &read);
    file->resize(SUCCEEDED(hr) ? read : 0);
  }
  EXPECT_EQ(SimDeinitialize(sim), S_OK);
  return hr;
}

// Reads digits back the way the card format defines them: the length byte,
// the parity nibble, then digits low nibble first until an unused nibble.
std::string DecodeImsi(const std::vector<BYTE>& file) {
  std::vector<BYTE> nibbles;
  for (size_t i = 1; i <= file.at(0); ++i) {
    nibbles.push_back(file.at(i) & 0x0F);
    nibbles.push_back(file.at(i) >> 4);
  }
  std::string digits;
  for (size_t i = 1; i < nibbles.size() && nibbles[i] != 0xF; ++i) digits += static_cast<char>('0' + nibbles[i]);
  EXPECT_EQ(nibbles.at(0), digits.size() % 2 ? 0x9 : 0x1) << "parity nibble of " << digits;
  return digits;
}

TEST_F(SimTest, ImsiFileRoundTripsFullAndShortIdentities) {
  for (const std::string imsi : {"250011234567890", "31026012345678", "250011", "25001", "7"}) {
    Json::Value sim;
    sim["imsi"] = imsi;
    UseSim(sim);
    std::vector<BYTE> file;
    SIMRECORDINFO info = {};
    ASSERT_EQ(ReadImsiFile(&file, &info), S_OK) << imsi;
    EXPECT_EQ(info.cbSize, sizeof info);
    EXPECT_EQ(info.dwParams, static_cast<DWORD>(SIM_PARAM_RECORDINFO_ALL));
    EXPECT_EQ(info.dwRecordType, static_cast<DWORD>(SIM_RECORDTYPE_TRANSPARENT));
    EXPECT_EQ(info.dwItemCount, 1u);
    ASSERT_EQ(file.size(), 9u) << imsi;
    EXPECT_EQ(file[0], (imsi.size() + 2) / 2) << imsi;
    EXPECT_EQ(DecodeImsi(file), imsi);
    for (size_t i = 1 + file[0]; i < file.size(); ++i) EXPECT_EQ(file[i], 0xFF) << imsi << " byte " << i;
  }
}

TEST_F(SimTest, ProfileChoosesTheRecordSize) {
  Json::Value sim;
  sim["imsi"] = "250011234567890";
  const std::vector<BYTE> real = {0x08, 0x29, 0x05, 0x10, 0x21, 0x43, 0x65, 0x87, 0x09};
  for (DWORD size : {0u, 4u, 9u, 40u, 255u}) {
    sim["recordSize"] = size;
    UseSim(sim);
    std::vector<BYTE> file;
    SIMRECORDINFO info = {};
    ASSERT_EQ(ReadImsiFile(&file, &info), S_OK) << size;
    EXPECT_EQ(info.dwSize, size);
    ASSERT_EQ(file.size(), size);
    for (size_t i = 0; i < size; ++i) EXPECT_EQ(file[i], i < real.size() ? real[i] : 0xFF) << size << " byte " << i;
  }
}

TEST_F(SimTest, EachFailureTheProfileAsksFor) {
  struct Case {
    const char* what;
    Json::Value sim;
    HRESULT hr;
  };
  auto sim_with = [](const char* key, const Json::Value& value) {
    Json::Value sim;
    sim["imsi"] = "250011234567890";
    sim[key] = value;
    return sim;
  };
  const Case cases[] = {
      {"initialize fails", sim_with("failInitialize", true), E_FAIL},
      {"record info fails", sim_with("failRecordInfo", true), SIM_E_NOTREADY},
      {"read fails", sim_with("failRead", true), SIM_E_SIMFAILURE},
      {"absent card", sim_with("present", false), SIM_E_SIMNOTINSERTED},
      {"no card in the profile", Json::Value(), SIM_E_SIMNOTINSERTED},
      {"card without an IMSI", Json::Value(Json::objectValue), SIM_E_NOTFOUND},
      {"IMSI that is not digits", sim_with("imsi", "25001x"), SIM_E_NOTFOUND},
      {"IMSI of 16 digits", sim_with("imsi", "2500112345678901"), SIM_E_NOTFOUND},
  };
  for (const Case& c : cases) {
    UseSim(c.sim);
    std::vector<BYTE> file;
    EXPECT_EQ(Hex(ReadImsiFile(&file)), Hex(c.hr)) << c.what;
  }
  // A failed SimInitialize leaves no handle to deinitialize.
  UseSim(sim_with("failInitialize", true));
  HSIM handle = reinterpret_cast<HSIM>(0x1234);
  EXPECT_EQ(SimInitialize(SIM_INIT_NONE, nullptr, 0, &handle), E_FAIL);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(SimDeinitialize(handle), E_INVALIDARG);
}

TEST_F(SimTest, BadArgumentsAreRefusedWithoutTouchingBuffers) {
  Json::Value sim;
  sim["imsi"] = "250011234567890";
  UseSim(sim);
  EXPECT_EQ(SimInitialize(SIM_INIT_NONE, nullptr, 0, nullptr), E_INVALIDARG);
  HSIM handle = nullptr;
  ASSERT_EQ(SimInitialize(SIM_INIT_NONE, nullptr, 0, &handle), S_OK);
  SIMRECORDINFO info = {};
  info.cbSize = sizeof info - 1;
  EXPECT_EQ(SimGetRecordInfo(handle, kEfImsi, &info), E_INVALIDARG);
  EXPECT_EQ(SimGetRecordInfo(handle, kEfImsi, nullptr), E_INVALIDARG);
  info.cbSize = sizeof info;
  EXPECT_EQ(Hex(SimGetRecordInfo(handle, 0x6F46, &info)), Hex(SIM_E_NOTFOUND));
  EXPECT_EQ(SimGetRecordInfo(reinterpret_cast<HSIM>(0x77), kEfImsi, &info), E_INVALIDARG);

  BYTE buffer[9];
  std::fill(std::begin(buffer), std::end(buffer), 0xAA);
  DWORD read = 0xdeadbeef;
  EXPECT_EQ(Hex(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_TRANSPARENT, 0, buffer, 8, &read)),
            Hex(SIM_E_BUFFERTOOSMALL));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(buffer[0], 0xAA);
  EXPECT_EQ(Hex(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_LINEAR, 1, buffer, 9, &read)), Hex(SIM_E_BADPARAM));
  EXPECT_EQ(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_TRANSPARENT, 0, nullptr, 9, &read), E_INVALIDARG);
  EXPECT_EQ(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_TRANSPARENT, 0, buffer, 9, nullptr), E_INVALIDARG);
  EXPECT_EQ(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_TRANSPARENT, 0, buffer, 9, &read), S_OK);
  EXPECT_EQ(read, 9u);

  EXPECT_EQ(SimDeinitialize(handle), S_OK);
  EXPECT_EQ(SimDeinitialize(handle), E_INVALIDARG);
  EXPECT_EQ(SimReadRecord(handle, kEfImsi, SIM_RECORDTYPE_TRANSPARENT, 0, buffer, 9, &read), E_INVALIDARG);
}

}  // namespace
