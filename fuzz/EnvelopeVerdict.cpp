// Structural verdict on an envelope, written from the format's rules rather than from the reader's code.
#include "fuzz/EnvelopeVerdict.h"

#include "Blowfish.h"
#include "envelope/Format.h"

namespace qx::fuzz {

int expected_structure_code(const std::uint8_t* env, std::size_t size) {
  using envelope::kHeaderSize;
  // Envelopes up to a header plus MaxData bytes are accepted, so that every envelope written can be read.
  if (size > TBlowfish::MaxData + kHeaderSize) return TBlowfish::ErrTooLong;
  if (size < kHeaderSize || (size - kHeaderSize) % envelope::kBlockSize != 0) return TBlowfish::ErrBadLength;
  if (env[0] != 'Q' || env[1] != 'X' || env[2] != 0) return TBlowfish::ErrNoMagic;
  if (static_cast<std::int8_t>(env[envelope::kVersionOffset]) < envelope::kVersion) return TBlowfish::ErrOldVersion;
  const std::uint32_t data_length = envelope::load_le32(env + envelope::kDataLengthOffset);
  const auto marker = static_cast<std::int32_t>(envelope::load_le32(env + envelope::kMarkerOffset));
  const std::size_t body_length = size - kHeaderSize;
  if (data_length > TBlowfish::MaxData) return TBlowfish::ErrBadLength;
  if (marker < envelope::kPlainMarker || marker > envelope::kMaxFillerMarker) return TBlowfish::ErrBadLength;
  if (marker == envelope::kPlainMarker && body_length != envelope::padded_length(data_length)) {
    return TBlowfish::ErrBadLength;
  }
  if (marker != envelope::kPlainMarker && body_length == 0) return TBlowfish::ErrBadLength;
  return TBlowfish::ErrNone;
}

}  // namespace qx::fuzz
