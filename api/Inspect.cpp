// inspect: the header fields of an envelope and the reader's verdict on its structure, without a key.
#include <algorithm>
#include <cstring>
#include <limits>

#include "api/Envelope.h"
#include "envelope/Format.h"
#include "envelope/Header.h"

namespace qx {

EnvelopeInfo inspect(std::span<const std::uint8_t> envelope) noexcept {
  static constexpr unsigned char kNoBytes[1] = {0};
  const unsigned char* src = envelope.empty() ? kNoBytes : envelope.data();
  // Anything beyond 32 bits is over the limit; the clamped length gets the same verdict.
  const auto length =
      static_cast<std::uint32_t>(std::min<std::size_t>(envelope.size(), std::numeric_limits<std::uint32_t>::max()));

  EnvelopeInfo info;
  info.envelope_length = envelope.size();
  envelope::Header header{};
  info.structure_code = envelope::check_envelope(src, length, &header);
  if (envelope.size() < envelope::kHeaderSize) {
    return info;
  }
  header = envelope::read_header(src);
  info.header_complete = true;
  std::memcpy(info.magic, src + envelope::kMagicOffset, sizeof info.magic);
  info.magic_ok = std::memcmp(info.magic, envelope::kMagic, sizeof info.magic) == 0;
  info.version = header.version;
  info.data_length = header.data_length;
  info.checksum = header.checksum;
  info.marker = header.marker;
  info.body_length = envelope.size() - envelope::kHeaderSize;
  return info;
}

}  // namespace qx
