// Write then read: every setting, the sizes where blocks, staging chunks and the length limits meet, and all
// four reader entry points.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "Blowfish.h"
#include "envelope/EnvelopeTestSupport.h"

namespace {

using qx::test::Bytes;
using qx::test::Owned;

enum class Kind { kRandom, kText };

// (data length, kind, checksum, compression). Lengths: empty, around one block, around the 4096-byte staging
// chunk, two chunks, and the top of the range where an uncompressed envelope grows past 51200 bytes.
using Params = std::tuple<std::uint32_t, Kind, bool, bool>;

std::string CaseName(const ::testing::TestParamInfo<Params>& info) {
  const auto& [size, kind, crc, compress] = info.param;
  return std::to_string(size) + (kind == Kind::kRandom ? "_random" : "_text") + (crc ? "_crc" : "") +
         (compress ? "_zlib" : "");
}

class RoundTrip : public ::testing::TestWithParam<Params> {};

TEST_P(RoundTrip, EveryEntryPointReadsBackTheData) {
  const auto [size, kind, crc, compress] = GetParam();
  const Bytes data = kind == Kind::kRandom ? qx::test::RandomBytes(size, size) : qx::test::CompressibleBytes(size);
  const unsigned char dummy = 0;
  const unsigned char* src = data.empty() ? &dummy : data.data();

  TBlowfish writer(nullptr);
  writer.Key = "round trip key";
  writer.Crc_Check = crc;
  writer.Compression = compress;
  std::uint32_t envelope_len = 0;
  Owned envelope(writer.Auto_Encipher(src, size, &envelope_len));
  ASSERT_NE(envelope, nullptr) << "code " << writer.GetErrorCode();
  const std::uint32_t padded = (size + 7) / 8 * 8;
  if (!compress || kind == Kind::kRandom) {
    EXPECT_EQ(envelope_len, 28 + padded) << "a plain body is the padded data";
  } else if (size > 64) {
    EXPECT_LT(envelope_len, 28 + padded) << "text must compress";
  }

  TBlowfish reader(nullptr);
  reader.Key = "round trip key";
  for (int entry = 0; entry < 4; ++entry) {
    const bool text = entry >= 2;
    std::uint32_t len = 0;
    unsigned char* out = nullptr;
    switch (entry) {
      case 0:
        out = reader.Auto_Decipher(envelope.get(), envelope_len, &len);
        break;
      case 1:
        out = reader.Decipher(envelope.get(), envelope_len, &len);
        break;
      case 2:
        out = reader.Auto_Decipher_Text(envelope.get(), envelope_len, &len);
        break;
      default:
        out = reader.Decipher_Text(envelope.get(), envelope_len, &len);
        break;
    }
    Owned owned(out);
    ASSERT_NE(out, nullptr) << "entry " << entry << " code " << reader.GetErrorCode();
    EXPECT_EQ(reader.GetErrorCode(), 0);
    ASSERT_EQ(len, size) << "entry " << entry;
    EXPECT_EQ(qx::test::Copy(out, len), data) << "entry " << entry;
    if (text) {
      EXPECT_EQ(out[len], 0) << "entry " << entry;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTrip,
                         ::testing::Combine(::testing::Values(0u, 1u, 7u, 8u, 9u, 4095u, 4096u, 4097u, 8192u, 51168u,
                                                              51169u, 51176u, 51200u),
                                            ::testing::Values(Kind::kRandom, Kind::kText), ::testing::Bool(),
                                            ::testing::Bool()),
                         CaseName);

// Envelopes longer than 51200 bytes come from data of 51169 bytes and up that does not compress; the writer
// makes them, so the reader must take them. One byte more than the longest is refused.
TEST(RoundTripLimits, LongestEnvelopesReadBackAndOneByteMoreIsRefused) {
  TBlowfish bf(nullptr);
  for (std::uint32_t size : {51169u, 51177u, 51193u, 51200u}) {
    const Bytes data = qx::test::RandomBytes(size, 99);
    std::uint32_t envelope_len = 0;
    Owned envelope(bf.Auto_Encipher(data.data(), size, &envelope_len));
    ASSERT_NE(envelope, nullptr);
    EXPECT_GT(envelope_len, 51200u);
    std::uint32_t len = 0;
    Owned out(bf.Decipher(envelope.get(), envelope_len, &len));
    ASSERT_NE(out, nullptr) << size << " code " << bf.GetErrorCode();
    EXPECT_EQ(qx::test::Copy(out.get(), len), data);
  }
  const Bytes too_long(51229, 0);
  std::uint32_t len = 0;
  EXPECT_EQ(bf.Decipher(too_long.data(), 51229, &len), nullptr);
  EXPECT_EQ(bf.GetErrorCode(), TBlowfish::ErrTooLong);
}

}  // namespace
