// One RIL_Initialize handle: its commands are answered through the result
// callback on a thread of the client's own, in the order the answers fall due.
//
// Close() stops the thread: it returns once no callback of the client runs or
// can start. Called from inside the client's own callback it can only forbid
// further callbacks (the running one is the caller); that client's thread is
// then joined later by Join() from another thread.
#ifndef KELVANE_RIL_CLIENT_H
#define KELVANE_RIL_CLIENT_H

#include <ril.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane {

// An answer: the result code and the bytes lpData points at (none: NULL).
struct RilReply {
  DWORD code = RIL_RESULT_OK;
  std::vector<BYTE> data;
};

class RilClient {
 public:
  RilClient(RILRESULTCALLBACK result, DWORD param);
  ~RilClient();
  RilClient(const RilClient&) = delete;
  RilClient& operator=(const RilClient&) = delete;

  // Answers command `id` `delay_ms` device milliseconds from now with what
  // `compose` returns then, on the client's thread.
  void Queue(HRESULT id, DWORD delay_ms, std::function<RilReply()> compose);
  // Returns true when the thread has stopped, false when called on it.
  bool Close();
  // Waits for a closed client's thread to end; false when called on it.
  bool Join();

 private:
  struct Pending {
    HRESULT id;
    std::function<RilReply()> compose;
  };
  void Run();

  const RILRESULTCALLBACK result_;
  const DWORD param_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::multimap<std::chrono::steady_clock::time_point, Pending> queue_;  // guarded by lock_
  bool closing_ = false;                                                 // guarded by lock_
  std::thread thread_;
};

}  // namespace kelvane

#endif
