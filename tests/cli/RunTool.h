// Running the built qxenv binary as a user would, with its standard streams on files or a pseudo-terminal.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qxenv::test {

struct RunResult {
  int exit_code = -1;       // -1 when the process did not exit normally
  std::string out;          // standard output
  std::string err;          // standard error
  std::string terminal;     // everything the terminal showed, when there was one
  bool echo_after = false;  // whether the terminal echoes input once the process is gone
};

struct RunOptions {
  std::optional<std::filesystem::path> stdin_file{};  // /dev/null when not given
  std::map<std::string, std::string> env{};           // added to (or replacing in) our environment
  std::vector<std::string> unset_env{};               // removed from the environment
  // A pseudo-terminal as the controlling terminal; each line is typed after the next key prompt appears on it.
  bool terminal = false;
  std::vector<std::string> typed_lines{};
  bool stdout_on_terminal = false;  // standard output goes to the terminal too
};

// Runs qxenv with `args` in a new session, so without a controlling terminal unless the test gives it one.
[[nodiscard]] RunResult run_qxenv(const std::vector<std::string>& args, const RunOptions& options = {});

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
  [[nodiscard]] std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

[[nodiscard]] std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& content);
// Names of the entries of `dir`, sorted.
[[nodiscard]] std::vector<std::string> list_dir(const std::filesystem::path& dir);

}  // namespace qxenv::test
