// Envelope header: field encoding and the reader's structural checks, kept in one place.
#include "envelope/Header.h"

#include <cstring>

#include "Blowfish.h"

namespace qx::envelope {

static_assert(kMaxDataLength == TBlowfish::MaxData);
static_assert(kMaxDataLength % kBlockSize == 0, "padding the longest data must not exceed it");

void write_header(unsigned char* out, const Header& h) noexcept {
  // Reserved bytes are written as zero so that equal inputs give byte-identical envelopes.
  std::memset(out, 0, kHeaderSize);
  std::memcpy(out + kMagicOffset, kMagic, sizeof kMagic);
  store_le32(out + kDataLengthOffset, h.data_length);
  out[kVersionOffset] = static_cast<unsigned char>(h.version);
  store_le32(out + kChecksumOffset, h.checksum);
  store_le32(out + kMarkerOffset, static_cast<std::uint32_t>(h.marker));
}

Header read_header(const unsigned char* in) noexcept {
  Header h{};
  h.data_length = load_le32(in + kDataLengthOffset);
  h.version = static_cast<std::int8_t>(in[kVersionOffset]);
  h.checksum = load_le32(in + kChecksumOffset);
  h.marker = static_cast<std::int32_t>(load_le32(in + kMarkerOffset));
  return h;
}

int check_envelope_size(const unsigned char* src, std::uint32_t src_len) noexcept {
  if (src_len > kMaxEnvelopeLength) return TBlowfish::ErrTooLong;
  if (src == nullptr) return TBlowfish::ErrNullSource;
  return TBlowfish::ErrNone;
}

int check_envelope_structure(const unsigned char* src, std::uint32_t src_len) noexcept {
  if (src_len < kHeaderSize) return TBlowfish::ErrBadLength;
  const std::uint32_t body_len = src_len - static_cast<std::uint32_t>(kHeaderSize);
  if (body_len % kBlockSize != 0) return TBlowfish::ErrBadLength;
  // The magic is compared as a zero-terminated text: 'Q', 'X', then the terminator.
  if (std::memcmp(src + kMagicOffset, kMagic, sizeof kMagic) != 0) return TBlowfish::ErrNoMagic;

  const Header h = read_header(src);
  // Read as a signed byte: 128..255 count as negative and are refused with the old versions.
  if (h.version < kVersion) return TBlowfish::ErrOldVersion;

  // A header that contradicts its body would make the reader overrun its buffers or allocate blindly.
  if (h.data_length > kMaxDataLength) return TBlowfish::ErrBadLength;
  if (h.marker == kPlainMarker) {
    if (body_len != padded_length(h.data_length)) return TBlowfish::ErrBadLength;
  } else if (h.marker < 0 || h.marker > kMaxFillerMarker || body_len == 0) {
    return TBlowfish::ErrBadLength;
  }
  return TBlowfish::ErrNone;
}

int check_envelope(const unsigned char* src, std::uint32_t src_len, Header* out) noexcept {
  if (out != nullptr && src != nullptr && src_len >= kHeaderSize) *out = read_header(src);
  if (const int code = check_envelope_size(src, src_len); code != TBlowfish::ErrNone) return code;
  return check_envelope_structure(src, src_len);
}

}  // namespace qx::envelope
