// The requests the server received, byte for byte, for tests: kept in memory
// (GET /_requests) and, when a file is given, appended to it as they arrive.
// Each entry is a header line, the bytes, and a line feed:
//   --- request N: B bytes[, NOTE]\n<B bytes>\n
// NOTE is "invalid" (the server refused the bytes) or "incomplete" (the
// client closed the connection in the middle of a request).
// Safe from any number of threads.
#ifndef KELVANE_LOCSERVER_REQUEST_LOG_H
#define KELVANE_LOCSERVER_REQUEST_LOG_H

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace locserver {

class RequestLog {
 public:
  RequestLog() = default;
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  bool OpenFile(const std::string& path, std::string* error);
  void Record(std::string_view bytes, const char* note = nullptr);
  std::string Text() const;
  // Empties the memory copy; the file keeps every entry.
  void Clear();

 private:
  mutable std::mutex lock_;
  std::string text_;
  long count_ = 0;
  FILE* file_ = nullptr;
};

}  // namespace locserver

#endif
