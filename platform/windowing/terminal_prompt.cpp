// A message box put to a person on the process's controlling terminal, for a
// device whose display is "terminal": the caption, the text and the buttons
// by their initials; Enter takes the default button.
#include "internal/device_root.h"
#include "internal/display.h"
#include "internal/screen.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

namespace kelvane {
namespace {

// The label the screen shows for a button, in the terminal's narrow text.
std::string Label(int id) { return Narrow(ButtonLabel(id)); }

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// One line from the terminal, without its end; false at end of input.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char ch;
  for (;;) {
    const ssize_t n = read(fd, &ch, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line->empty();
    if (ch == '\n' || ch == '\r') return true;
    *line += ch;
  }
}

int Ask(int fd, const std::wstring& text, const std::wstring& caption, const std::vector<int>& buttons,
        int default_button) {
  std::string question = "\n[" + Narrow(caption) + "]\n" + Narrow(text) + "\n";
  for (int id : buttons) question += " " + Label(id) + " (" + static_cast<char>(std::tolower(Label(id)[0])) + ")";
  question += ", Enter: " + Label(default_button) + "? ";
  for (;;) {
    std::string line;
    if (!WriteAll(fd, question) || !ReadLine(fd, &line)) return default_button;
    if (line.empty()) return default_button;
    for (int id : buttons)
      if (std::tolower(static_cast<unsigned char>(line[0])) == std::tolower(Label(id)[0])) return id;
  }
}

}  // namespace

int AskOnTerminal(const std::wstring& text, const std::wstring& caption, const std::vector<int>& buttons,
                  int default_button) {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  const int answer = Ask(fd, text, caption, buttons, default_button);
  close(fd);
  return answer;
}

}  // namespace kelvane
