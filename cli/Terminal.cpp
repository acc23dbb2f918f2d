// Reading a key from the terminal with echo off.
#include "cli/Terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#include "cipher/SecureWipe.h"
#include "cli/Failure.h"

namespace qxenv {
namespace {

// Longer than any key the component accepts, so an over-long key is still seen as such and refused.
constexpr std::size_t kMaxLine = 1024;

class TerminalFd {
 public:
  TerminalFd() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~TerminalFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TerminalFd(const TerminalFd&) = delete;
  TerminalFd& operator=(const TerminalFd&) = delete;
  [[nodiscard]] int get() const noexcept { return fd_; }

 private:
  int fd_;
};

// What a signal handler needs to give the terminal its echo back when the prompt is interrupted (Ctrl-C):
// tcsetattr is async-signal-safe. Only one prompt runs at a time, before any worker thread exists.
volatile std::sig_atomic_t g_interrupted_fd = -1;
termios g_interrupted_saved{};

extern "C" void restore_terminal_and_die(int sig) {
  if (g_interrupted_fd >= 0) ::tcsetattr(g_interrupted_fd, TCSANOW, &g_interrupted_saved);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Echo off for its lifetime, also restored when a signal ends the process meanwhile.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) != 0) {
      return;
    }
    g_interrupted_saved = saved_;
    g_interrupted_fd = fd_;
    struct sigaction restore {};
    restore.sa_handler = restore_terminal_and_die;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) ::sigaction(kFatalSignals[i], &restore, &previous_[i]);
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    if (g_interrupted_fd == fd_) {
      for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) ::sigaction(kFatalSignals[i], &previous_[i], nullptr);
      g_interrupted_fd = -1;
    }
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  struct sigaction previous_[std::size(kFatalSignals)]{};
  bool active_ = false;
};

void write_text(int fd, const char* text) noexcept {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(fd, text, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace

std::optional<std::string> read_hidden_line(const char* prompt) {
  const TerminalFd tty;
  if (tty.get() < 0) {
    return std::nullopt;
  }
  std::string line;
  line.reserve(kMaxLine + 1);  // no reallocation, so no stray copies of the key
  bool complete = false;
  {
    const EchoOff quiet(tty.get());
    write_text(tty.get(), prompt);
    unsigned char c = 0;
    while (line.size() <= kMaxLine) {
      const ssize_t n = ::read(tty.get(), &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || c == '\n') {
        complete = n > 0 || !line.empty();
        break;
      }
      line.push_back(static_cast<char>(c));
    }
    c = 0;
    write_text(tty.get(), "\n");
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  if (!complete && line.empty()) {
    throw Failure("/dev/tty", "no key was entered");
  }
  return line;
}

bool stdout_is_terminal() noexcept { return ::isatty(STDOUT_FILENO) == 1; }

bool stderr_is_terminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace qxenv
