// Compression stage: streams compared with one-shot zlib, the pay-off decision, chunk and stored-block
// boundaries, and damaged or contradictory streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/EnvelopeTestSupport.h"

namespace {

using qx::test::Bytes;
using qx::test::Owned;

Bytes PadToBlocks(Bytes b) {
  b.resize((b.size() + 7) / 8 * 8, 0);
  return b;
}

// zlib's one-shot compression at level 6 (the stage's settings), independent of the code under test.
Bytes ZlibCompress(const Bytes& data) {
  uLongf len = compressBound(static_cast<uLong>(data.size()));
  Bytes out(len);
  EXPECT_EQ(compress2(out.data(), &len, data.data(), static_cast<uLong>(data.size()), 6), Z_OK);
  out.resize(len);
  return out;
}

// A zlib stream holding `data` in one stored (uncompressed) deflate block, assembled by hand from the zlib
// and deflate formats: header 78 01, optionally an empty non-final stored block (00 00 00 FF FF) to shift the
// layout by 5 bytes, block header 01 (final, stored), LEN and ~LEN, the bytes, Adler-32 (big-endian).
Bytes StoredStream(const Bytes& data, bool leading_empty_block = false) {
  const auto n = static_cast<std::uint16_t>(data.size());
  Bytes s = {0x78, 0x01};
  if (leading_empty_block) s.insert(s.end(), {0x00, 0x00, 0x00, 0xFF, 0xFF});
  s.insert(s.end(), {0x01, static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                     static_cast<unsigned char>(~n), static_cast<unsigned char>(~n >> 8)});
  s.insert(s.end(), data.begin(), data.end());
  const uLong a = adler32(adler32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size()));
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<unsigned char>(a >> shift));
  return s;
}

Bytes ZerosThenRandom(std::size_t zeros, std::size_t random, std::uint32_t seed) {
  Bytes b(zeros, 0);
  const Bytes r = qx::test::RandomBytes(random, seed);
  b.insert(b.end(), r.begin(), r.end());
  return b;
}

struct CompressibleCase {
  const char* name;
  Bytes data;  // already zero-filled to whole blocks, as the writer hands it over
};

// Sizes at and around the 4096-byte staging boundaries, the largest input, and a stream carrying a long stored
// block (2000 zero bytes then 40000 random ones), where a whole input chunk inflates to exactly 4096 bytes.
std::vector<CompressibleCase> CompressibleCases() {
  return {
      {"zeros 51200", Bytes(51200, 0)},
      {"text 200", PadToBlocks(qx::test::CompressibleBytes(200))},
      {"text 4095", PadToBlocks(qx::test::CompressibleBytes(4095))},
      {"text 4096", PadToBlocks(qx::test::CompressibleBytes(4096))},
      {"text 4097", PadToBlocks(qx::test::CompressibleBytes(4097))},
      {"text 8192", PadToBlocks(qx::test::CompressibleBytes(8192))},
      {"text 51200", PadToBlocks(qx::test::CompressibleBytes(51200))},
      {"zeros then random", ZerosThenRandom(2000, 40000, 11)},
  };
}

TEST(Compress, StreamIsZlibsOneShotOutputFollowedByZeroFiller) {
  for (const CompressibleCase& c : CompressibleCases()) {
    TBlowfish bf(nullptr);
    Bytes input = c.data;
    std::uint32_t len = 0;
    int marker = 99;
    unsigned char* raw = bf.Compress(input.data(), static_cast<std::uint32_t>(input.size()), &len, &marker);
    ASSERT_NE(raw, nullptr) << c.name;
    ASSERT_NE(raw, input.data()) << c.name << " should compress";
    Owned out(raw);
    EXPECT_EQ(bf.GetErrorCode(), 0);

    const Bytes stream = ZlibCompress(c.data);
    const Bytes expected = PadToBlocks(stream);
    EXPECT_EQ(qx::test::Copy(out.get(), len), expected) << c.name;
    EXPECT_EQ(marker, static_cast<int>(expected.size() - stream.size())) << c.name;
    EXPECT_LT(len, input.size()) << c.name;
    EXPECT_EQ(input, c.data) << c.name << ": source untouched";

    Owned back(bf.Decompress(out.get(), len, marker, static_cast<std::uint32_t>(c.data.size())));
    ASSERT_NE(back, nullptr) << c.name << " code " << bf.GetErrorCode();
    EXPECT_EQ(qx::test::Copy(back.get(), c.data.size()), c.data) << c.name;
  }
}

TEST(Compress, ReturnsTheSourceWhenCompressionDoesNotPayOff) {
  struct Case {
    const char* name;
    Bytes data;
  };
  // The empty stream is 8 bytes, already more than nothing; random data grows by zlib's framing.
  const Case cases[] = {{"empty", {}},
                        {"random 8", qx::test::RandomBytes(8, 1)},
                        {"random 4096", qx::test::RandomBytes(4096, 2)},
                        {"random 51200", qx::test::RandomBytes(51200, 3)}};
  for (const Case& c : cases) {
    TBlowfish bf(nullptr);
    Bytes input = c.data;
    unsigned char dummy = 0;
    unsigned char* src = input.empty() ? &dummy : input.data();
    std::uint32_t len = 12345;
    int marker = 5;
    unsigned char* out = bf.Compress(src, static_cast<std::uint32_t>(input.size()), &len, &marker);
    EXPECT_EQ(out, src) << c.name;
    EXPECT_EQ(len, input.size()) << c.name;
    EXPECT_EQ(marker, -1) << c.name;
    EXPECT_EQ(bf.GetErrorCode(), 0) << c.name;
    EXPECT_EQ(input, c.data) << c.name;
  }
}

// The decision must be exactly "padded stream shorter than the input", including inputs whose output crosses
// that line while being produced. A growing zero prefix moves random data across it.
TEST(Compress, PaysOffExactlyWhenThePaddedStreamIsShorter) {
  int compressed = 0;
  int kept = 0;
  for (std::size_t zeros = 0; zeros <= 96; zeros += 8) {
    for (std::size_t random : {1000u, 5000u}) {
      Bytes data = ZerosThenRandom(zeros, random, static_cast<std::uint32_t>(zeros + random));
      const std::size_t padded_stream = PadToBlocks(ZlibCompress(data)).size();
      TBlowfish bf(nullptr);
      std::uint32_t len = 0;
      int marker = 0;
      unsigned char* out = bf.Compress(data.data(), static_cast<std::uint32_t>(data.size()), &len, &marker);
      ASSERT_NE(out, nullptr);
      if (padded_stream < data.size()) {
        ++compressed;
        EXPECT_NE(out, data.data()) << zeros << "+" << random;
        EXPECT_EQ(len, padded_stream);
        std::free(out);
      } else {
        ++kept;
        EXPECT_EQ(out, data.data()) << zeros << "+" << random;
        EXPECT_EQ(marker, -1);
      }
    }
  }
  EXPECT_GT(compressed, 0) << "the table must straddle the line";
  EXPECT_GT(kept, 0) << "the table must straddle the line";
}

TEST(Compress, NullSource) {
  TBlowfish bf(nullptr);
  std::uint32_t len = 7;
  int marker = 7;
  EXPECT_EQ(bf.Compress(nullptr, 16, &len, &marker), nullptr);
  EXPECT_EQ(bf.GetErrorCode(), TBlowfish::ErrNullSource);
  EXPECT_EQ(len, 7u);
}

TEST(Decompress, ReadsHandBuiltStoredStreams) {
  // Stored blocks of several sizes, some behind an empty block: 4080 bytes so framed make a stream of exactly
  // 4096 bytes, 4088 bytes one a few bytes longer, 16384 bytes one block spanning several pages of input.
  struct Case {
    std::size_t n;
    bool shifted;
  };
  for (const Case c : {Case{1, false}, Case{4080, true}, Case{4088, false}, Case{16384, false}, Case{51200, true}}) {
    const std::size_t n = c.n;
    const Bytes data = qx::test::RandomBytes(n, static_cast<std::uint32_t>(n));
    const Bytes stream = StoredStream(PadToBlocks(data), c.shifted);
    Bytes body = PadToBlocks(stream);
    const int marker = static_cast<int>(body.size() - stream.size());
    Bytes padded_data = PadToBlocks(data);
    TBlowfish bf(nullptr);
    Owned out(
        bf.Decompress(body.data(), static_cast<std::uint32_t>(body.size()), marker, static_cast<std::uint32_t>(n)));
    ASSERT_NE(out, nullptr) << n << ": code " << bf.GetErrorCode();
    EXPECT_EQ(qx::test::Copy(out.get(), padded_data.size()), padded_data) << n;
  }
}

struct BadStreamCase {
  const char* name;
  Bytes body;  // nullptr source when empty and `null_source`
  std::uint32_t len;
  int marker;
  std::uint32_t data_len;
  int code;
  bool null_source = false;
};

// One row per refusal rule of the stage; the streams come from one-shot zlib or are built by hand.
std::vector<BadStreamCase> BadStreamCases() {
  const Bytes data = PadToBlocks(qx::test::CompressibleBytes(1000));
  const Bytes stream = ZlibCompress(data);
  const Bytes body = PadToBlocks(stream);
  const int filler = static_cast<int>(body.size() - stream.size());
  const auto body_len = static_cast<std::uint32_t>(body.size());
  const auto data_len = static_cast<std::uint32_t>(data.size());

  Bytes with_trailing_block = body;
  with_trailing_block.insert(with_trailing_block.end(), 8, 0);
  Bytes with_trailing_chunk = body;
  with_trailing_chunk.insert(with_trailing_chunk.end(), 4096, 0);
  const Bytes exact_chunk_stream = StoredStream(Bytes(4080, 0x5A), true);  // 4096 bytes: one whole chunk
  Bytes after_chunk_boundary = exact_chunk_stream;
  after_chunk_boundary.insert(after_chunk_boundary.end(), 8, 0);
  Bytes truncated(stream.begin(), stream.end() - 8);
  const int truncated_filler = static_cast<int>(PadToBlocks(truncated).size() - truncated.size());
  truncated = PadToBlocks(truncated);
  Bytes corrupt = body;
  corrupt[0] ^= 0x01;  // zlib header check fails
  Bytes needs_dict = StoredStream(Bytes(8, 1));
  needs_dict[1] = 0x20;  // FDICT set; 0x7820 is a multiple of 31 so the header check still passes
  needs_dict = PadToBlocks(needs_dict);

  const auto row = [](const char* name, const Bytes& b, int marker, std::uint32_t data_len, int code) {
    return BadStreamCase{name, b, static_cast<std::uint32_t>(b.size()), marker, data_len, code};
  };
  return {
      {"null source", {}, 16, 0, 8, TBlowfish::ErrNullSource, true},
      {"null source before a bad length", {}, 12, 0, 8, TBlowfish::ErrNullSource, true},
      {"length not whole blocks", body, body_len - 1, filler, data_len, TBlowfish::ErrBadLength},
      row("data length above 51200", body, filler, 51201, TBlowfish::ErrBadLength),
      row("data length 2^32-1", body, filler, UINT32_MAX, TBlowfish::ErrBadLength),
      row("marker -1", body, -1, data_len, TBlowfish::ErrBadLength),
      row("marker 8", body, 8, data_len, TBlowfish::ErrBadLength),
      {"empty stream", body, 0, 0, data_len, TBlowfish::ErrBadLength},
      row("stream cut short", truncated, truncated_filler, data_len, TBlowfish::ErrDecompress),
      row("yields fewer bytes than announced", body, filler, data_len + 8, TBlowfish::ErrDecompress),
      row("yields more bytes than announced", body, filler, data_len - 8, TBlowfish::ErrDecompress),
      row("input after the end, same chunk", with_trailing_block, filler, data_len, TBlowfish::ErrDecompress),
      row("input after the end, later chunk", with_trailing_chunk, filler, data_len, TBlowfish::ErrDecompress),
      row("stream ends at a chunk boundary, more follows", after_chunk_boundary, 0, 4080, TBlowfish::ErrDecompress),
      row("filler presented as data (marker too small)", body, 0, data_len,
          filler == 0 ? TBlowfish::ErrNone : TBlowfish::ErrDecompress),
      row("corrupt zlib header", corrupt, filler, data_len, TBlowfish::ErrDecompress),
      row("preset dictionary requested", needs_dict, 1, 8, TBlowfish::ErrDecompress),
  };
}

TEST(Decompress, RefusesDamagedOrContradictoryStreams) {
  for (BadStreamCase& c : BadStreamCases()) {
    if (c.code == TBlowfish::ErrNone) continue;  // filler happened to be 0 for this data
    TBlowfish bf(nullptr);
    unsigned char* src = c.null_source ? nullptr : c.body.data();
    unsigned char* out = bf.Decompress(src, c.len, c.marker, c.data_len);
    EXPECT_EQ(out, nullptr) << c.name;
    EXPECT_EQ(bf.GetErrorCode(), c.code) << c.name;
    std::free(out);
  }
}

// A fresh object's error register is cleared by the next operation of the stage.
TEST(Decompress, ClearsTheErrorRegisterOnSuccess) {
  TBlowfish bf(nullptr);
  EXPECT_EQ(bf.Decompress(nullptr, 8, 0, 8), nullptr);
  ASSERT_EQ(bf.GetErrorCode(), TBlowfish::ErrNullSource);
  Bytes body = PadToBlocks(StoredStream(Bytes(8, 3)));
  Owned out(bf.Decompress(body.data(), static_cast<std::uint32_t>(body.size()), static_cast<int>(body.size() - 19), 8));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(bf.GetErrorCode(), 0);
}

}  // namespace
