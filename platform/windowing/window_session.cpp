// The windowing session's event thread: process port, injected input and
// the close signals.
#include "internal/window_session.h"

#include "internal/device_root.h"
#include "internal/device_windows.h"
#include "internal/overlays.h"
#include "internal/terminal_display.h"
#include "internal/display.h"
#include "internal/leftovers.h"
#include "internal/windowing.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kelvane {
namespace {

// Lines longer than this are not commands; they are dropped, not buffered.
constexpr size_t kMaxLine = 256;
constexpr char kCloseByte = 'C';
constexpr char kStopByte = 'S';

std::atomic<int> g_signal_fd{-1};

void OnCloseSignal(int) {
  const int saved = errno;
  const int fd = g_signal_fd.load();
  if (fd >= 0) {
    const char byte = kCloseByte;
    if (write(fd, &byte, 1) < 0) {
      // Nothing can be reported from a signal handler; a full pipe already
      // holds a close request.
    }
  }
  errno = saved;
}

// Splits what a FIFO delivers into lines, keeping a partial last line.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  std::vector<std::string> Read() {
    std::vector<std::string> lines;
    char buffer[512];
    ssize_t n;
    while ((n = read(fd_, buffer, sizeof buffer)) > 0) {
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] == '\n') {
          if (!overlong_) lines.push_back(pending_);
          pending_.clear();
          overlong_ = false;
        } else if (pending_.size() < kMaxLine) {
          pending_ += buffer[i];
        } else if (!overlong_) {
          std::fprintf(stderr, "device: input line longer than %zu bytes dropped\n", kMaxLine);
          overlong_ = true;
        }
      }
    }
    return lines;
  }

 private:
  int fd_;
  std::string pending_;
  bool overlong_ = false;
};

int OpenFifo(const std::filesystem::path& path) {
  if (mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) return -1;
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) return -1;
  // Read-write, so the FIFO never reports end of file between writers.
  return open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

void PostToMainWindow(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND main_window;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    main_window = MainWindow();
  }
  if (main_window) PostMessageW(main_window, msg, wParam, lParam);
}

void ForwardAnswer(int button) {
  DeviceWindowTable table;
  {
    DeviceWindowsLock lock;
    table = lock.Read();
  }
  std::set<pid_t> others;
  for (const auto& entry : table.windows)
    if (entry.pid != getpid()) others.insert(entry.pid);
  for (pid_t pid : others) WriteToProcessPort(pid, "answer " + std::to_string(button) + "\n");
}

void HandleInputLine(const std::string& line) {
  char verb[16] = "";
  char argument[32] = "";
  const int fields = std::sscanf(line.c_str(), "%15s %31s", verb, argument);
  if (fields < 1) return;
  const std::string command = verb;
  char* end = nullptr;
  const unsigned long value = std::strtoul(argument, &end, 0);
  const bool number = fields == 2 && end != argument && *end == '\0';
  if (command == "key" && number && value > 0 && value < 0xFF) {
    PressKey(static_cast<UINT>(value));
  } else if (command == "command" && number && value <= 0xFFFF) {
    PostToMainWindow(WM_COMMAND, value, 0);
  } else if (command == "close" && fields == 1) {
    PostToMainWindow(WM_CLOSE, 0, 0);
  } else if (command == "answer" && ButtonNamed(argument) != 0) {
    // The box waiting for it may be another program's (an installer's).
    if (!AnswerMessageBox(ButtonNamed(argument))) ForwardAnswer(ButtonNamed(argument));
  } else {
    std::fprintf(stderr, "device: input: unknown command \"%s\"\n", line.c_str());
  }
}

void HandlePortLine(const std::string& line) {
  unsigned long long hwnd_value = 0, wParam = 0;
  long long lParam = 0;
  unsigned message = 0;
  int active = 0;
  int button = 0;
  if (std::sscanf(line.c_str(), "answer %d", &button) == 1) {
    AnswerMessageBox(button);
  } else if (std::sscanf(line.c_str(), "activate %llx %d", &hwnd_value, &active) == 2) {
    ActivateOwnWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(hwnd_value)), active != 0);
  } else if (std::sscanf(line.c_str(), "post %llx %u %llu %lld", &hwnd_value, &message, &wParam, &lParam) == 4) {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(hwnd_value));
    if (IsOwnProcessWindow(hwnd)) PostMessageW(hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
  } else {
    std::fprintf(stderr, "device: port: unknown request \"%s\"\n", line.c_str());
  }
}

class Session {
 public:
  void Start() {
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
      std::perror("device: window session pipe");
      wake_[0] = wake_[1] = -1;
      return;
    }
    const auto folder = DisplayFolder();
    RemoveDeadProcessPorts();
    port_path_ = ProcessPortPath(getpid());
    unlink(port_path_.c_str());
    port_fd_ = OpenFifo(port_path_);
    OpenInput(folder);
    g_signal_fd = wake_[1];
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, &old_term_);
    sigaction(SIGINT, &action, &old_int_);
    thread_ = std::thread([this] { Run(); });
    StartTerminalDisplay();
  }

  void Stop() {
    StopTerminalDisplay();
    if (wake_[1] < 0) return;
    sigaction(SIGTERM, &old_term_, nullptr);
    sigaction(SIGINT, &old_int_, nullptr);
    g_signal_fd = -1;
    const char byte = kStopByte;
    while (write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    for (int fd : {wake_[0], wake_[1], port_fd_, input_fd_, input_lock_fd_})
      if (fd >= 0) close(fd);
    if (port_fd_ >= 0) unlink(port_path_.c_str());
  }

 private:
  // Only one process at a time reads the device's input: the one holding
  // the lock on ROOT/display/input.lock.
  void OpenInput(const std::filesystem::path& folder) {
    input_lock_fd_ = open((folder / "input.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (input_lock_fd_ < 0) return;
    if (flock(input_lock_fd_, LOCK_EX | LOCK_NB) != 0) {
      close(input_lock_fd_);
      input_lock_fd_ = -1;
      return;
    }
    const auto path = DeviceRoot() / "input";
    input_fd_ = OpenFifo(path);
    if (input_fd_ < 0) std::fprintf(stderr, "device: %s is not a usable FIFO; no injected input\n", path.c_str());
  }

  void Run() {
    LineReader port(port_fd_), input(input_fd_);
    pollfd fds[3] = {{wake_[0], POLLIN, 0}, {port_fd_, POLLIN, 0}, {input_fd_, POLLIN, 0}};
    for (;;) {
      // A negative descriptor is skipped by poll.
      if (poll(fds, 3, -1) < 0) {
        if (errno == EINTR) continue;
        std::perror("device: window session poll");
        return;
      }
      if (fds[0].revents & POLLIN) {
        char bytes[16];
        const ssize_t n = read(wake_[0], bytes, sizeof bytes);
        for (ssize_t i = 0; i < n; ++i) {
          if (bytes[i] == kStopByte) return;
          PostToMainWindow(WM_CLOSE, 0, 0);
        }
      }
      if (fds[1].revents & POLLIN)
        for (const auto& line : port.Read()) HandlePortLine(line);
      if (fds[2].revents & POLLIN)
        for (const auto& line : input.Read()) HandleInputLine(line);
    }
  }

  int wake_[2] = {-1, -1};
  int port_fd_ = -1;
  int input_fd_ = -1;
  int input_lock_fd_ = -1;
  std::filesystem::path port_path_;
  struct sigaction old_term_ {};
  struct sigaction old_int_ {};
  std::thread thread_;
};

std::mutex g_session_lock;
int g_top_levels = 0;
Session* g_session = nullptr;  // never deleted while the process may exit with windows

}  // namespace

void TopLevelWindowCreated() {
  std::lock_guard<std::mutex> guard(g_session_lock);
  if (g_top_levels++ > 0) return;
  g_session = new Session;
  g_session->Start();
}

bool WindowSessionRuns() {
  std::lock_guard<std::mutex> guard(g_session_lock);
  return g_session != nullptr;
}

// The lock is held while the session stops, so that a new first window
// cannot start a session on the port that is being removed.
void TopLevelWindowGone() {
  std::lock_guard<std::mutex> guard(g_session_lock);
  if (g_top_levels == 0 || --g_top_levels > 0) return;
  g_session->Stop();
  delete g_session;
  g_session = nullptr;
}

}  // namespace kelvane
