// Reading inputs with a size limit and publishing outputs so that no half-written or clobbered file is left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qxenv {

// Reads the whole of `path` ("-" is standard input), at most limit + 1 bytes: a result longer than `limit`
// means the input is too long and the rest was not read. The buffer is sized once, so a secret input leaves no
// copies behind in released memory. Throws Failure on I/O errors.
[[nodiscard]] std::vector<std::uint8_t> read_input(const std::string& path, std::size_t limit);

enum class Overwrite { kRefuse, kAllow };
enum class Visibility { kPrivate, kNormal };  // kPrivate: mode 0600, for plaintext; else 0666 less the umask

// Writes `bytes` to a temporary file beside `path` and renames it into place only once it is complete. Refuses
// (Failure) an existing `path` unless overwriting is allowed, also when it appears while we write. Throws
// Failure on I/O errors, having removed the temporary file.
void publish_file(const std::string& path, std::span<const std::uint8_t> bytes, Overwrite overwrite,
                  Visibility visibility);

// Fails early, before any work, when `path` exists and must not be overwritten.
void check_can_create(const std::string& path, Overwrite overwrite);

// Writes all of `bytes` to standard output. Throws Failure on I/O errors.
void write_stdout(std::span<const std::uint8_t> bytes);

// Zeroes a plaintext buffer, including bytes past its size, then empties it.
void wipe(std::vector<std::uint8_t>& bytes) noexcept;

}  // namespace qxenv
