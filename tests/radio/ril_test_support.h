// For the radio tests: ril.dll loaded at run time as the program loads it,
// and a log of the answers its result callback receives.
#ifndef KELVANE_TESTS_RADIO_RIL_TEST_SUPPORT_H
#define KELVANE_TESTS_RADIO_RIL_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <ril.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane::testing {

struct RilLibrary {
  typedef HRESULT (*InitializeFn)(DWORD, RILRESULTCALLBACK, RILNOTIFYCALLBACK, DWORD, DWORD, HRIL*);
  typedef HRESULT (*HandleFn)(HRIL);
  typedef HRESULT (*DevSpecificFn)(HRIL, const BYTE*, DWORD);

  HMODULE module = nullptr;
  InitializeFn Initialize = nullptr;
  HandleFn Deinitialize = nullptr;
  HandleFn GetCellTowerInfo = nullptr;
  DevSpecificFn DevSpecific = nullptr;

  // Loads "ril.dll" and its four entry points; false when any is missing.
  bool Load() {
    module = LoadLibraryW(L"ril.dll");
    if (!module) return false;
    Initialize = reinterpret_cast<InitializeFn>(GetProcAddressW(module, L"RIL_Initialize"));
    Deinitialize = reinterpret_cast<HandleFn>(GetProcAddressW(module, L"RIL_Deinitialize"));
    GetCellTowerInfo = reinterpret_cast<HandleFn>(GetProcAddressW(module, L"RIL_GetCellTowerInfo"));
    DevSpecific = reinterpret_cast<DevSpecificFn>(GetProcAddressW(module, L"RIL_DevSpecific"));
    return Initialize && Deinitialize && GetCellTowerInfo && DevSpecific;
  }
};

// One call of the result callback, copied while lpData was valid.
struct RilAnswer {
  DWORD code = 0;
  HRESULT id = 0;
  bool has_data = false;
  std::vector<BYTE> data;
  DWORD param = 0;
  DWORD tick = 0;
  std::thread::id thread;

  RILCELLTOWERINFO Record() const {
    RILCELLTOWERINFO info = {};
    EXPECT_EQ(data.size(), sizeof info);
    if (data.size() == sizeof info) std::memcpy(&info, data.data(), sizeof info);
    return info;
  }
};

// The answers of every handle, in arrival order. The callback's dwParam is a
// DWORD, so the log is process-wide rather than passed through it.
class AnswerLog {
 public:
  static AnswerLog& Instance() {
    static AnswerLog log;
    return log;
  }
  static void CALLBACK Callback(DWORD code, HRESULT id, const void* data, DWORD size, DWORD param) {
    RilAnswer answer;
    answer.code = code;
    answer.id = id;
    answer.has_data = data != nullptr;
    if (data) answer.data.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    answer.param = param;
    answer.tick = GetTickCount();
    answer.thread = std::this_thread::get_id();
    Instance().Add(answer);
  }

  void Add(const RilAnswer& answer) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      answers_.push_back(answer);
    }
    changed_.notify_all();
  }
  // Waits (at most ten host seconds, a guard against a hang) for `count` answers.
  std::vector<RilAnswer> WaitFor(size_t count) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(10), [&] { return answers_.size() >= count; });
    return answers_;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    answers_.clear();
  }
  std::vector<RilAnswer> Answers() {
    std::lock_guard<std::mutex> guard(lock_);
    return answers_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<RilAnswer> answers_;
};

}  // namespace kelvane::testing

#endif
