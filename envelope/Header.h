// Envelope header codec and the structural checks that decide whether an envelope can be read.
#pragma once

#include <cstdint>

#include "envelope/Format.h"

namespace qx::envelope {

// Longest data the writer accepts and the longest data length a header may announce.
inline constexpr std::uint32_t kMaxDataLength = 51200;
// Longest envelope the reader accepts: a header plus the body of kMaxDataLength bytes that did not compress,
// so that every envelope the writer produces can be read back.
inline constexpr std::uint32_t kMaxEnvelopeLength = kMaxDataLength + kHeaderSize;

struct Header {
  std::uint32_t data_length;
  std::int8_t version;
  std::uint32_t checksum;
  std::int32_t marker;
};

// Writes the kHeaderSize bytes of `h` at `out`: magic, fields little-endian, reserved bytes zero.
void write_header(unsigned char* out, const Header& h) noexcept;

// Decodes the fields of the kHeaderSize bytes at `in` without judging them (magic and reserved bytes ignored).
[[nodiscard]] Header read_header(const unsigned char* in) noexcept;

// The checks the reader makes before it allocates anything, split where the reader checks the key length:
// check_envelope_size gives 6 (longer than kMaxEnvelopeLength) or 3 (null source); check_envelope_structure,
// for a non-null source of at most kMaxEnvelopeLength bytes, gives 4 (header missing, body not whole blocks),
// 5 (magic), 7 (version below 5), then 4 for a header that contradicts its body: data length above
// kMaxDataLength, marker outside -1 and 0..7, a plain body whose length is not the padded data length, or a
// compressed marker with an empty body. Both return 0 when the envelope passes.
[[nodiscard]] int check_envelope_size(const unsigned char* src, std::uint32_t src_len) noexcept;
[[nodiscard]] int check_envelope_structure(const unsigned char* src, std::uint32_t src_len) noexcept;

// Both checks in the reader's order (without the key-length check): 0 when the reader would accept the
// envelope's structure, else the code it would report. `src` must have src_len readable bytes. Fills *out
// (when non-null) whenever the header bytes were readable, whatever the verdict.
[[nodiscard]] int check_envelope(const unsigned char* src, std::uint32_t src_len, Header* out) noexcept;

}  // namespace qx::envelope
