// Sealing, opening and inspecting envelopes with byte spans and vectors instead of malloc'd buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "api/Error.h"
#include "api/Key.h"

namespace qx {

struct SealOptions {
  bool checksum = false;  // store the summed CRC of the data, so that a wrong key or damage is detected
  bool compress = false;  // zlib-compress the body when that makes it shorter
};

struct OpenOptions {
  bool text = false;  // append one zero byte after the data (the result is then one byte longer)
};

// Writes the envelope of `data` (at most 51200 bytes). Throws qx::Error with the component's code on failure:
// 1 key text too long, 6 data too long, 2/9/10 memory or compression failures.
[[nodiscard]] std::vector<std::uint8_t> seal(std::span<const std::uint8_t> data, const Key& key,
                                             const SealOptions& options = {});

// Reads an envelope back into its data. Throws qx::Error on failure (codes 1, 2, 4..8, 11, 12). A wrong key is
// detected only when the envelope stores a checksum (code 8) or is compressed (usually code 12); otherwise the
// result is meaningless data of the right length. The result is plaintext: wipe it when done.
[[nodiscard]] std::vector<std::uint8_t> open(std::span<const std::uint8_t> envelope, const Key& key,
                                             const OpenOptions& options = {});

// What the header of an envelope says, read without a key.
struct EnvelopeInfo {
  std::size_t envelope_length = 0;
  bool header_complete = false;  // the 28 header bytes are present; the fields below are valid only then
  std::uint8_t magic[3] = {};    // bytes 0..2, "QX" and a zero byte in an envelope
  bool magic_ok = false;
  std::int8_t version = 0;
  std::uint32_t data_length = 0;
  std::uint32_t checksum = 0;  // 0 means no checksum is stored
  std::int32_t marker = 0;     // -1 plain body, else the compressed stream's filler count
  std::size_t body_length = 0;
  // 0 when the reader accepts the envelope's structure, else the code it would fail with. Key-dependent
  // failures (checksum, decompression) cannot be known without the key.
  int structure_code = 0;

  [[nodiscard]] bool has_checksum() const noexcept { return checksum != 0; }
  [[nodiscard]] bool compressed() const noexcept { return marker != -1; }
  [[nodiscard]] bool structure_ok() const noexcept { return structure_code == 0; }
};

// Reads the header of `envelope` without a key. Never throws for any input.
[[nodiscard]] EnvelopeInfo inspect(std::span<const std::uint8_t> envelope) noexcept;

}  // namespace qx
