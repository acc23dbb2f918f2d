// Envelope writer: data to header and enciphered body, optionally checksummed and compressed first.
#include <array>
#include <cstdint>
#include <cstring>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/Format.h"
#include "envelope/Header.h"
#include "envelope/Scratch.h"

using qx::envelope::kHeaderSize;

unsigned char* TBlowfish::Encipher_Core(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len,
                                        bool auto_mode) {
  FErrorCode = ErrNone;
  if (len > MaxData) {
    FErrorCode = ErrTooLong;
    return nullptr;
  }
  if (src == nullptr) {
    FErrorCode = ErrNullSource;
    return nullptr;
  }
  if (auto_mode && KeyTextLength() > MaxKeyLength) {
    FErrorCode = ErrKeyTooLong;
    return nullptr;
  }

  const auto padded = static_cast<std::uint32_t>(qx::envelope::padded_length(len));
  // Allocated before the key schedule runs, so that running out of memory leaves the key state as it was.
  qx::envelope::WipedBuffer envelope = qx::envelope::WipedBuffer::allocate(padded + kHeaderSize);
  if (!envelope) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }

  std::array<unsigned char, MaxData> body;
  qx::envelope::WipeOnExit wipe_body(body.data(), padded);
  std::memset(body.data(), 0, padded);
  std::memcpy(body.data(), src, len);

  qx::envelope::Header header{len, qx::envelope::kVersion, 0, qx::envelope::kPlainMarker};
  if (auto_mode) ScheduleKeyText();
  if (Crc_Check) header.checksum = CRC(src, len);

  std::uint32_t body_len = padded;
  if (Compression) {
    int marker = qx::envelope::kPlainMarker;
    unsigned char* compressed = Compress(body.data(), padded, &body_len, &marker);
    if (compressed == nullptr) return nullptr;  // Compress has set the error register
    if (compressed != body.data()) {
      qx::envelope::WipedBuffer owned(compressed, body_len);
      std::memcpy(body.data(), compressed, body_len);
    }
    header.marker = marker;
  }

  qx::envelope::encipher_body(*this, body.data(), body_len);
  unsigned char* out = envelope.get();
  qx::envelope::write_header(out, header);
  std::memcpy(out + kHeaderSize, body.data(), body_len);
  // The allocation is sized for an uncompressed body; zero what compression left unused so that no
  // uninitialised bytes are handed out.
  std::memset(out + kHeaderSize + body_len, 0, padded - body_len);
  *out_len = body_len + static_cast<std::uint32_t>(kHeaderSize);
  return envelope.release();
}

unsigned char* TBlowfish::Encipher(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len) {
  return Encipher_Core(src, len, out_len, false);
}

unsigned char* TBlowfish::Auto_Encipher(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len) {
  return Encipher_Core(src, len, out_len, true);
}
