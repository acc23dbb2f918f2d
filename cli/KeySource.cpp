// Reading the key from its source, wiping every copy made on the way.
#include "cli/KeySource.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "api/Error.h"
#include "cipher/SecureWipe.h"
#include "cli/Failure.h"
#include "cli/Terminal.h"

namespace qxenv {
namespace {

void wipe(std::string& s) noexcept {
  s.resize(s.capacity());
  qx::secure_wipe(s.data(), s.size());
  s.clear();
}

// The first line of the file without its line ending ("\n" or "\r\n"). Only the start of the file is read: a
// first line longer than that is far too long for a key and is refused as such.
qx::Key key_from_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw Failure(path, std::string("cannot read key file: ") + std::strerror(errno));
  }
  std::array<char, 4096> buffer;
  std::size_t filled = 0;
  int read_errno = 0;
  while (filled < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + filled, buffer.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) read_errno = errno;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
    if (std::memchr(buffer.data(), '\n', filled) != nullptr) break;
  }
  ::close(fd);
  if (read_errno != 0) {
    qx::secure_wipe(buffer.data(), buffer.size());
    throw Failure(path, std::string("cannot read key file: ") + std::strerror(read_errno));
  }
  std::string_view line(buffer.data(), filled);
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  qx::Key key = qx::Key::text(line);
  qx::secure_wipe(buffer.data(), buffer.size());
  return key;
}

qx::Key key_from_prompt(bool confirm) {
  std::optional<std::string> first = read_hidden_line("qxenv: key: ");
  if (!first) {
    throw UsageError(
        "no key given and no terminal to ask on: use --key-file FILE, --key-env NAME, --default-key or --unkeyed");
  }
  qx::Key key = qx::Key::text(*first);
  if (confirm) {
    std::optional<std::string> second = read_hidden_line("qxenv: key again: ");
    const bool same = second && *second == *first;
    if (second) wipe(*second);
    if (!same) {
      wipe(*first);
      throw Failure("/dev/tty", "the two keys entered differ");
    }
  }
  wipe(*first);
  return key;
}

std::string key_source_name(const KeyChoice& choice) {
  if (!choice.file.empty()) return choice.file;
  if (!choice.environment.empty()) return "$" + choice.environment;
  return "/dev/tty";
}

}  // namespace

qx::Key obtain_key(const KeyChoice& choice, bool confirm) {
  if (choice.unkeyed) {
    return qx::Key::unkeyed();
  }
  if (choice.factory_default) {
    return qx::Key::factory_default();
  }
  qx::Key key = [&] {
    if (!choice.file.empty()) {
      return key_from_file(choice.file);
    }
    if (!choice.environment.empty()) {
      const char* value = std::getenv(choice.environment.c_str());
      if (value == nullptr) {
        throw UsageError("environment variable " + choice.environment + " is not set");
      }
      return qx::Key::text(value);
    }
    return key_from_prompt(confirm);
  }();
  try {
    key.check();
  } catch (const qx::Error& e) {
    throw Failure(key_source_name(choice), e.what());
  }
  return key;
}

}  // namespace qxenv
