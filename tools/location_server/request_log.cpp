#include "request_log.h"

#include <cerrno>
#include <cstring>

namespace locserver {

RequestLog::~RequestLog() {
  if (file_) std::fclose(file_);
}

bool RequestLog::OpenFile(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "ab");
  if (!file_) *error = path + ": cannot open: " + std::strerror(errno);
  return file_ != nullptr;
}

void RequestLog::Record(std::string_view bytes, const char* note) {
  std::lock_guard<std::mutex> guard(lock_);
  std::string entry = "--- request " + std::to_string(++count_) + ": " + std::to_string(bytes.size()) + " bytes";
  if (note) entry += std::string(", ") + note;
  entry += "\n";
  entry.append(bytes.data(), bytes.size());
  entry += "\n";
  text_ += entry;
  if (file_) {
    std::fwrite(entry.data(), 1, entry.size(), file_);
    std::fflush(file_);
  }
}

std::string RequestLog::Text() const {
  std::lock_guard<std::mutex> guard(lock_);
  return text_;
}

void RequestLog::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  text_.clear();
}

}  // namespace locserver
