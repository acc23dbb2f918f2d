// posix_spawn of qxenv with redirected standard streams and an edited environment.
#include "cli/RunTool.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace qxenv::test {
namespace {

class PseudoTerminal {
 public:
  PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    slave_path_ = ptsname(master_);
  }
  ~PseudoTerminal() { close(master_); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  [[nodiscard]] const std::string& slave_path() const noexcept { return slave_path_; }

  [[nodiscard]] bool echoes() const {
    const int fd = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    const bool echo = fd >= 0 && tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    if (fd >= 0) close(fd);
    return echo;
  }

  // Reads what is there within `timeout_ms`; false once the other side is closed or nothing came.
  bool read_some(std::string& transcript, int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    transcript.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  void type(const std::string& line) {
    const std::string keys = line + "\n";
    if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
      throw std::runtime_error("cannot type on the pseudo-terminal");
    }
  }

 private:
  int master_;
  std::string slave_path_;
};

// Each of qxenv's key prompts starts with "qxenv: key"; wait for the n-th one.
bool wait_for_prompt(PseudoTerminal& tty, std::string& transcript, std::size_t n) {
  static constexpr std::string_view kPrompt = "qxenv: key";
  for (int tries = 0; tries < 200; ++tries) {
    std::size_t prompts = 0;
    for (auto at = transcript.find(kPrompt); at != std::string::npos; at = transcript.find(kPrompt, at + 1)) ++prompts;
    // The prompt is complete once its ": " has arrived after the last start.
    if (prompts >= n && transcript.size() >= 2 && transcript.ends_with(": ")) return true;
    tty.read_some(transcript, 50);
  }
  return false;
}

}  // namespace

RunResult run_qxenv(const std::vector<std::string>& args, const RunOptions& options) {
  const TempDir capture;
  const std::string out_path = capture / "stdout";
  const std::string err_path = capture / "stderr";
  const std::string in_path = options.stdin_file ? options.stdin_file->string() : "/dev/null";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::optional<PseudoTerminal> tty;
  if (options.terminal) {
    tty.emplace();
    // Opened without O_NOCTTY by the new session's leader, it becomes the controlling terminal.
    posix_spawn_file_actions_addopen(&actions, 3, tty->slave_path().c_str(), O_RDWR, 0);
    if (options.stdout_on_terminal) {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, tty->slave_path().c_str(), O_WRONLY, 0);
    }
  }
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    if (options.env.count(name) != 0 || std::ranges::count(options.unset_env, name) != 0) continue;
    env_strings.push_back(entry);
  }
  for (const auto& [name, value] : options.env) env_strings.push_back(name + "=" + value);

  std::vector<std::string> argv_strings{QXENV_BINARY};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, QXENV_BINARY, &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start " QXENV_BINARY);

  RunResult result;
  int status = 0;
  if (tty) {
    for (std::size_t i = 0; i < options.typed_lines.size(); ++i) {
      if (!wait_for_prompt(*tty, result.terminal, i + 1)) break;
      tty->type(options.typed_lines[i]);
    }
    // Drain until the process is gone, so that it never blocks on a full terminal.
    // A tool stuck waiting for input it will not get is stopped after a generous while.
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
      if (waited == 400) kill(pid, SIGKILL);
      tty->read_some(result.terminal, 50);
    }
    while (tty->read_some(result.terminal, 0)) {
    }
    result.echo_after = tty->echoes();
  } else {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qxenv-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::vector<std::string> list_dir(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::ranges::sort(names);
  return names;
}

}  // namespace qxenv::test
