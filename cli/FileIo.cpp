// File reading and atomic publication with POSIX calls.
#include "cli/FileIo.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cipher/SecureWipe.h"
#include "cli/Failure.h"

namespace qxenv {
namespace {

std::string errno_text(int err) { return std::strerror(err); }

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  [[nodiscard]] int get() const noexcept { return fd_; }
  // Closes now and reports the close error, which for a written file may be the first sign of a failed write.
  [[nodiscard]] int close_reporting() noexcept {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }
  void release() noexcept { fd_ = -1; }
  void reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// 0 or the errno of the failed write.
int write_all(int fd, std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

mode_t normal_file_mode() noexcept {
  // umask can only be read by setting it; done once, before any worker thread runs.
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return static_cast<mode_t>(0666 & ~mask);
}

// Moves temp onto path without replacing an existing path; link + unlink where the filesystem lacks
// RENAME_NOREPLACE. 0 or the errno.
int move_no_replace(const std::string& temp, const std::string& path) noexcept {
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return errno;
  }
  if (::link(temp.c_str(), path.c_str()) != 0) {
    return errno;
  }
  ::unlink(temp.c_str());
  return 0;
}

}  // namespace

std::vector<std::uint8_t> read_input(const std::string& path, std::size_t limit) {
  const bool from_stdin = path == "-";
  Fd fd(from_stdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    throw Failure(path, errno_text(errno));
  }
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t filled = 0;
  int err = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
  }
  if (from_stdin) {
    fd.release();  // standard input stays open
  }
  bytes.resize(filled);  // shrinking keeps the buffer
  if (err != 0) {
    wipe(bytes);
    throw Failure(input_name(path), errno_text(err));
  }
  return bytes;
}

void check_can_create(const std::string& path, Overwrite overwrite) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      throw Failure(path, "is a directory");
    }
    if (overwrite == Overwrite::kRefuse) {
      throw Failure(path, "already exists (use --force to replace it)");
    }
  }
}

void publish_file(const std::string& path, std::span<const std::uint8_t> bytes, Overwrite overwrite,
                  Visibility visibility) {
  const std::filesystem::path target(path);
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::string hidden_name = ".";
  hidden_name.append(target.filename().string()).append(".qxenv-XXXXXX");
  std::string temp = (dir / hidden_name).string();

  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));  // mode 0600
  if (fd.get() < 0) {
    throw Failure(path, "cannot create a temporary file beside it: " + errno_text(errno));
  }
  int err = write_all(fd.get(), bytes);
  if (err == 0 && visibility == Visibility::kNormal && ::fchmod(fd.get(), normal_file_mode()) != 0) err = errno;
  // On disk before it takes the name: a crash then leaves the old file or the new one, never a torn one.
  if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
  const int close_err = fd.close_reporting();
  if (err == 0) err = close_err;
  if (err == 0) {
    if (overwrite == Overwrite::kAllow) {
      err = ::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
    } else {
      err = move_no_replace(temp, path);
    }
  }
  if (err != 0) {
    ::unlink(temp.c_str());
    if (err == EEXIST) {
      throw Failure(path, "already exists (use --force to replace it)");
    }
    throw Failure(path, errno_text(err));
  }
}

void write_stdout(std::span<const std::uint8_t> bytes) {
  const int err = write_all(STDOUT_FILENO, bytes);
  if (err != 0) {
    throw Failure("<stdout>", errno_text(err));
  }
}

void wipe(std::vector<std::uint8_t>& bytes) noexcept {
  bytes.resize(bytes.capacity());
  qx::secure_wipe(bytes.data(), bytes.size());
  bytes.clear();
}

}  // namespace qxenv
