// Envelopes the reader must refuse, one row per refusal rule and error code, shared by the reader tests and
// the allocation-failure binary (which checks that none of them leaks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/EnvelopeTestSupport.h"

namespace qx::test {

struct MalformedCase {
  std::string name;
  Bytes envelope;
  std::uint32_t length;  // passed as the envelope length; may exceed envelope.size() only with null_source
  bool null_source;
  std::string key;  // Key at the time of the (Auto mode) read
  int code;
  bool slot_written;  // the data length slot receives the header's length before the failure
};

inline Bytes WriteEnvelope(const Bytes& data, bool crc, bool compress) {
  TBlowfish bf(nullptr);
  bf.Crc_Check = crc;
  bf.Compression = compress;
  std::uint32_t len = 0;
  const unsigned char empty = 0;
  Owned e(bf.Auto_Encipher(data.empty() ? &empty : data.data(), static_cast<std::uint32_t>(data.size()), &len));
  return e ? Copy(e.get(), len) : Bytes{};
}

inline void SetLe32(Bytes& b, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<unsigned char>(v >> (8 * i));
}

inline std::vector<MalformedCase> MalformedCases() {
  const std::string key = TBlowfish::DefaultKey;
  const Bytes text = FromText("forty bytes of text, checksum stored....");
  const Bytes plain_crc = WriteEnvelope(text, true, false);
  const Bytes compressed = WriteEnvelope(CompressibleBytes(2000), false, true);

  std::vector<MalformedCase> cases;
  const auto add = [&](std::string name, Bytes e, int code, bool slot, std::string k = TBlowfish::DefaultKey) {
    const auto len = static_cast<std::uint32_t>(e.size());
    cases.push_back({std::move(name), std::move(e), len, false, std::move(k), code, slot});
  };
  const auto edited = [](Bytes e, std::size_t at, unsigned char value) {
    e[at] = value;
    return e;
  };
  const auto with_le32 = [](Bytes e, std::size_t at, std::uint32_t value) {
    SetLe32(e, at, value);
    return e;
  };

  cases.push_back({"longer than 51228 bytes, null source", {}, 51229, true, key, TBlowfish::ErrTooLong, false});
  add("longer than 51228 bytes", Bytes(51229, 0), TBlowfish::ErrTooLong, false);
  cases.push_back({"null source", {}, 28, true, key, TBlowfish::ErrNullSource, false});
  add("key of 57 bytes", plain_crc, TBlowfish::ErrKeyTooLong, false, std::string(57, 'k'));
  add("key checked before the envelope's length", Bytes(20, 0), TBlowfish::ErrKeyTooLong, false, std::string(57, 'k'));
  add("shorter than a header", Bytes(plain_crc.begin(), plain_crc.begin() + 20), TBlowfish::ErrBadLength, false);
  add("body not whole blocks", Bytes(plain_crc.begin(), plain_crc.end() - 3), TBlowfish::ErrBadLength, false);
  add("magic missing", edited(plain_crc, 1, 'x'), TBlowfish::ErrNoMagic, false);
  add("version 4", edited(plain_crc, 8, 4), TBlowfish::ErrOldVersion, false);
  add("version 0x80", edited(plain_crc, 8, 0x80), TBlowfish::ErrOldVersion, false);
  add("data length above 51200", with_le32(compressed, 4, 51201), TBlowfish::ErrBadLength, false);
  add("plain data length above the body", with_le32(plain_crc, 4, 41), TBlowfish::ErrBadLength, false);
  {
    Bytes e = plain_crc;
    e.insert(e.end(), 8, 0);
    add("plain body longer than the padded data", std::move(e), TBlowfish::ErrBadLength, false);
  }
  add("marker 8", with_le32(compressed, 16, 8), TBlowfish::ErrBadLength, false);
  add("marker -2", with_le32(compressed, 16, 0xFFFFFFFEu), TBlowfish::ErrBadLength, false);
  add("compressed marker, empty body", Bytes(compressed.begin(), compressed.begin() + 28), TBlowfish::ErrBadLength,
      false);
  add("body byte changed under a checksum", edited(plain_crc, 30, plain_crc[30] ^ 0x10), TBlowfish::ErrChecksum, true);
  add("checksum field changed", edited(plain_crc, 12, plain_crc[12] ^ 0x01), TBlowfish::ErrChecksum, true);
  add("wrong key under a checksum", plain_crc, TBlowfish::ErrChecksum, true, "wrong key");
  add("compressed body byte changed", edited(compressed, 28, compressed[28] ^ 0x01), TBlowfish::ErrDecompress, true);
  add("compressed, wrong key", compressed, TBlowfish::ErrDecompress, true, "wrong key");
  add("compressed, data length 8 more", with_le32(compressed, 4, 2008), TBlowfish::ErrDecompress, true);
  add("compressed, data length 8 less", with_le32(compressed, 4, 1992), TBlowfish::ErrDecompress, true);
  const std::uint32_t filler = compressed[16];
  add("compressed, filler count one more", with_le32(compressed, 16, (filler + 1) % 8), TBlowfish::ErrDecompress, true);
  add("compressed, filler count one less", with_le32(compressed, 16, (filler + 7) % 8), TBlowfish::ErrDecompress, true);
  {
    Bytes e = compressed;
    e.insert(e.end(), 8, 0);
    add("compressed, a block after the stream", std::move(e), TBlowfish::ErrDecompress, true);
  }
  return cases;
}

}  // namespace qx::test
