// The two ways a qxenv command ends badly: an operation failure (exit 1) and a usage error (exit 2).
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace qxenv {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// An operation on one file failed: bad envelope, wrong key, I/O. `file` names what the message is about.
class Failure : public std::runtime_error {
 public:
  Failure(std::string file, const std::string& message) : std::runtime_error(message), file_(std::move(file)) {}
  [[nodiscard]] const std::string& file() const noexcept { return file_; }

 private:
  std::string file_;
};

// The command line asks for something that cannot be done as asked.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How files are named in messages; "-" is standard input or output.
[[nodiscard]] inline std::string input_name(const std::string& path) { return path == "-" ? "<stdin>" : path; }
[[nodiscard]] inline std::string output_name(const std::string& path) { return path == "-" ? "<stdout>" : path; }

}  // namespace qxenv
