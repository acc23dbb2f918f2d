// Envelope writer: byte-exact envelopes, settings, limits and the order of its checks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/EnvelopeTestSupport.h"

namespace {

using qx::test::Bytes;
using qx::test::FromHex;
using qx::test::Owned;

Bytes Write(TBlowfish& bf, const Bytes& data, bool auto_mode = true) {
  std::uint32_t len = 0;
  const unsigned char dummy = 0;
  const unsigned char* src = data.empty() ? &dummy : data.data();
  Owned out(auto_mode ? bf.Auto_Encipher(src, static_cast<std::uint32_t>(data.size()), &len)
                      : bf.Encipher(src, static_cast<std::uint32_t>(data.size()), &len));
  EXPECT_NE(out, nullptr) << "code " << bf.GetErrorCode();
  EXPECT_EQ(bf.GetErrorCode(), 0);
  return out ? qx::test::Copy(out.get(), len) : Bytes{};
}

// Header bytes spelled out field by field from the layout: magic, reserved, length, version, reserved,
// checksum, marker, reserved.
Bytes HeaderBytes(std::uint32_t data_len, std::uint32_t checksum, std::int32_t marker) {
  Bytes h = {'Q', 'X', 0, 0};
  const auto le32 = [&h](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  le32(data_len);
  h.insert(h.end(), {5, 0, 0, 0});
  le32(checksum);
  le32(static_cast<std::uint32_t>(marker));
  h.insert(h.end(), 8, 0);
  return h;
}

struct Vector {
  const char* source;
  std::string data;
  bool crc;
  const char* hex;
};

TEST(Writer, MatchesIndependentlyComputedEnvelopes) {
  // Computed independently from the format description (default key, reserved and filler bytes zero).
  const Vector vectors[] = {
      {"issue vector 1", "abcdefgh", false, "51580000080000000500000000000000ffffffff00000000000000003d6a9c7f26633ddd"},
      {"issue vector 2", "Hello, world!", true,
       "515800000d000000050000005cbf0700ffffffff0000000000000000187715ea05a9fd8bf556eb2388076ecd"},
  };
  for (const Vector& v : vectors) {
    TBlowfish bf(nullptr);
    bf.Crc_Check = v.crc;
    EXPECT_EQ(Write(bf, qx::test::FromText(v.data)), FromHex(v.hex)) << v.source;
  }
}

TEST(Writer, FreshObjectEnciphersWithTheAllZeroKeyState) {
  // Body from the block-transform known answer for the all-zero key state; header written out by hand.
  TBlowfish bf(nullptr);
  Bytes expected = HeaderBytes(8, 0, -1);
  expected.insert(expected.end(), {0x04, 0x04, 0x04, 0x0C, 0x9D, 0x18, 0x7C, 0x68});
  EXPECT_EQ(Write(bf, qx::test::FromText("abcdefgh"), /*auto_mode=*/false), expected);
}

// Compressed fixtures assembled from their parts: header by hand, zlib's one-shot stream of the zero-filled
// data plus zero filler, enciphered block by block under the default key.
Bytes CompressedFixture(const Bytes& data, std::uint32_t checksum) {
  Bytes plain = data;
  plain.resize((plain.size() + 7) / 8 * 8, 0);
  uLongf stream_len = compressBound(static_cast<uLong>(plain.size()));
  Bytes body(stream_len);
  EXPECT_EQ(compress2(body.data(), &stream_len, plain.data(), static_cast<uLong>(plain.size()), 6), Z_OK);
  const std::size_t padded = (stream_len + 7) / 8 * 8;
  body.resize(stream_len);
  body.resize(padded, 0);
  TBlowfish keyed(nullptr);
  EXPECT_TRUE(keyed.InitializeKey());
  qx::envelope::encipher_body(keyed, body.data(), body.size());
  Bytes envelope =
      HeaderBytes(static_cast<std::uint32_t>(data.size()), checksum, static_cast<std::int32_t>(padded - stream_len));
  envelope.insert(envelope.end(), body.begin(), body.end());
  return envelope;
}

TEST(Writer, CompressedEnvelopesMatchFixturesBuiltFromTheirParts) {
  struct Case {
    const char* name;
    Bytes data;
    bool crc;
  };
  const Case cases[] = {
      {"51200 zero bytes (checksum 0 even when asked for)", Bytes(51200, 0), true},
      {"1001 text bytes with checksum", qx::test::CompressibleBytes(1001), true},
      {"4097 text bytes without checksum", qx::test::CompressibleBytes(4097), false},
  };
  for (const Case& c : cases) {
    TBlowfish bf(nullptr);
    bf.Compression = true;
    bf.Crc_Check = c.crc;
    const std::uint32_t checksum = c.crc ? bf.CRC(c.data.data(), static_cast<std::uint32_t>(c.data.size())) : 0;
    const Bytes envelope = Write(bf, c.data);
    EXPECT_EQ(envelope, CompressedFixture(c.data, checksum)) << c.name;
    EXPECT_LT(envelope.size(), 28 + c.data.size()) << c.name;
  }
}

TEST(Writer, LengthsAndSettings) {
  TBlowfish bf(nullptr);
  EXPECT_EQ(Write(bf, {}), HeaderBytes(0, 0, -1)) << "empty data is a header alone";

  const Bytes longest = qx::test::RandomBytes(51200, 5);
  EXPECT_EQ(Write(bf, longest).size(), 51228u);
  for (std::uint32_t len : {1u, 7u, 8u, 9u}) {
    EXPECT_EQ(Write(bf, Bytes(len, 0x41)).size(), 28 + (len + 7) / 8 * 8) << len;
  }

  // Checksum field: 0 unless asked for, then the summed CRC of the data alone (not the fill).
  const Bytes text = qx::test::FromText("checksum me");
  EXPECT_EQ(qx::test::Copy(Write(bf, text).data() + 12, 4), Bytes(4, 0));
  bf.Crc_Check = true;
  const std::uint32_t crc = bf.CRC(text.data(), 11);
  const Bytes e = Write(bf, text);
  EXPECT_EQ(e[12] | e[13] << 8 | e[14] << 16 | static_cast<std::uint32_t>(e[15]) << 24, crc);

  // Incompressible data gives the same envelope whether or not compression is asked for.
  const Bytes noise = qx::test::RandomBytes(3000, 6);
  bf.Compression = false;
  const Bytes plain = Write(bf, noise);
  bf.Compression = true;
  EXPECT_EQ(Write(bf, noise), plain);
}

TEST(Writer, ExplicitKeyingUsesTheStateTheLastScheduleLeft) {
  TBlowfish bf(nullptr);
  bf.Key = "another key";
  const Bytes data = qx::test::RandomBytes(100, 8);
  const Bytes automatic = Write(bf, data, true);
  EXPECT_EQ(Write(bf, data, false), automatic);
  bf.Key = "changed without a schedule";
  EXPECT_EQ(Write(bf, data, false), automatic);
  EXPECT_NE(Write(bf, data, true), automatic);
}

TEST(Writer, RefusesInOrderAndLeavesTheLengthSlotAlone) {
  struct Case {
    const char* name;
    bool null_source;
    std::uint32_t len;
    std::string key;
    int code;
  };
  const std::string long_key(57, 'k');
  const Case cases[] = {
      {"too long, even with a null source", true, 51201, long_key, TBlowfish::ErrTooLong},
      {"2^32-1 bytes", false, UINT32_MAX, "k", TBlowfish::ErrTooLong},
      {"null source before the key", true, 16, long_key, TBlowfish::ErrNullSource},
      {"key of 57 bytes", false, 16, long_key, TBlowfish::ErrKeyTooLong},
  };
  const Bytes data(16, 1);
  for (const Case& c : cases) {
    TBlowfish bf(nullptr);
    ASSERT_TRUE(bf.InitializeKey());
    const qx::cipher::KeyState before = bf.GetKeyState();
    bf.Key = c.key;
    std::uint32_t len = 777;
    EXPECT_EQ(bf.Auto_Encipher(c.null_source ? nullptr : data.data(), c.len, &len), nullptr) << c.name;
    EXPECT_EQ(bf.GetErrorCode(), c.code) << c.name;
    EXPECT_EQ(len, 777u) << c.name;
    EXPECT_EQ(std::memcmp(&before, &bf.GetKeyState(), sizeof before), 0) << c.name << ": key state unchanged";
    // Explicit keying never looks at the key; the next success clears the register.
    Owned ok(bf.Encipher(data.data(), 16, &len));
    EXPECT_NE(ok, nullptr);
    EXPECT_EQ(bf.GetErrorCode(), 0);
  }
  TBlowfish bf(nullptr);
  bf.Key = std::string(56, 'k');
  std::uint32_t len = 0;
  Owned ok(bf.Auto_Encipher(data.data(), 16, &len));
  EXPECT_NE(ok, nullptr) << "56 bytes is the longest key";
}

}  // namespace
