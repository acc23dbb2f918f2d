// Envelope reader: checks the header, deciphers the body, undoes compression and verifies the checksum.
#include <array>
#include <cstdint>
#include <cstring>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/Format.h"
#include "envelope/Header.h"
#include "envelope/Scratch.h"

using qx::envelope::kHeaderSize;

unsigned char* TBlowfish::Decipher_Core(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len,
                                        bool auto_mode, bool text_mode) {
  FErrorCode = ErrNone;
  if (const int code = qx::envelope::check_envelope_size(src, src_len); code != ErrNone) {
    FErrorCode = code;
    return nullptr;
  }
  if (auto_mode && KeyTextLength() > MaxKeyLength) {
    FErrorCode = ErrKeyTooLong;
    return nullptr;
  }
  if (const int code = qx::envelope::check_envelope_structure(src, src_len); code != ErrNone) {
    FErrorCode = code;
    return nullptr;
  }
  // From here the header is consistent: data length <= MaxData, and a plain body is exactly its padded length.
  const qx::envelope::Header header = qx::envelope::read_header(src);
  const std::uint32_t body_len = src_len - static_cast<std::uint32_t>(kHeaderSize);
  const std::uint32_t data_len = header.data_length;

  // Callers rely on the length being reported even when a later step fails.
  *out_len = data_len;
  qx::envelope::WipedBuffer result = qx::envelope::WipedBuffer::allocate(data_len + (text_mode ? 1u : 0u));
  if (!result) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }

  std::array<unsigned char, MaxData> body;
  qx::envelope::WipeOnExit wipe_body(body.data(), body_len);
  std::memcpy(body.data(), src + kHeaderSize, body_len);
  if (auto_mode) ScheduleKeyText();
  qx::envelope::decipher_body(*this, body.data(), body_len);

  const unsigned char* plain = body.data();
  qx::envelope::WipedBuffer decompressed;
  if (header.marker != qx::envelope::kPlainMarker) {
    unsigned char* inflated = Decompress(body.data(), body_len, header.marker, data_len);
    if (inflated == nullptr) return nullptr;  // Decompress has set the error register
    decompressed = qx::envelope::WipedBuffer(inflated, qx::envelope::padded_length(data_len));
    plain = inflated;
  }

  std::memcpy(result.get(), plain, data_len);
  if (text_mode) result.get()[data_len] = 0;
  if (header.checksum != 0 && CRC(result.get(), data_len) != header.checksum) {
    FErrorCode = ErrChecksum;
    return nullptr;
  }
  return result.release();
}

unsigned char* TBlowfish::Decipher(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len) {
  return Decipher_Core(src, src_len, out_len, false, false);
}

unsigned char* TBlowfish::Auto_Decipher(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len) {
  return Decipher_Core(src, src_len, out_len, true, false);
}

unsigned char* TBlowfish::Decipher_Text(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len) {
  return Decipher_Core(src, src_len, out_len, false, true);
}

unsigned char* TBlowfish::Auto_Decipher_Text(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len) {
  return Decipher_Core(src, src_len, out_len, true, true);
}
