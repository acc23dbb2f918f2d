// Envelope reader: known envelopes, text mode, refusals with their codes, and what a wrong key gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "Blowfish.h"
#include "envelope/EnvelopeTestSupport.h"
#include "envelope/Format.h"
#include "envelope/MalformedEnvelopes.h"

namespace {

using qx::test::Bytes;
using qx::test::FromHex;
using qx::test::Owned;

constexpr std::uint32_t kUnwritten = 0xDEADBEEF;

TEST(Reader, ReadsTheKnownEnvelopesThroughAllFourEntryPoints) {
  // The two envelopes given in the issue, written under the default key.
  struct Vector {
    const char* hex;
    std::string data;
  };
  const Vector vectors[] = {
      {"51580000080000000500000000000000ffffffff00000000000000003d6a9c7f26633ddd", "abcdefgh"},
      {"515800000d000000050000005cbf0700ffffffff0000000000000000187715ea05a9fd8bf556eb2388076ecd", "Hello, world!"},
  };
  for (const Vector& v : vectors) {
    const Bytes e = FromHex(v.hex);
    const auto n = static_cast<std::uint32_t>(e.size());
    TBlowfish bf(nullptr);
    std::uint32_t len = kUnwritten;
    Owned a(bf.Auto_Decipher(e.data(), n, &len));
    ASSERT_NE(a, nullptr) << v.data << " code " << bf.GetErrorCode();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.get()), len), v.data);

    Owned t(bf.Decipher_Text(e.data(), n, &len));  // key state left by the Auto call
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(t.get()), v.data.c_str());

    TBlowfish other(nullptr);
    ASSERT_TRUE(other.InitializeKey());
    Owned d(other.Decipher(e.data(), n, &len));
    Owned at(other.Auto_Decipher_Text(e.data(), n, &len));
    ASSERT_NE(d, nullptr);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(std::memcmp(d.get(), v.data.data(), len), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(at.get()), v.data.c_str());
  }
}

TEST(Reader, EmptyEnvelopeGivesEmptyDataOrAnEmptyString) {
  const Bytes e = qx::test::WriteEnvelope({}, true, true);
  ASSERT_EQ(e.size(), 28u);
  TBlowfish bf(nullptr);
  std::uint32_t len = kUnwritten;
  Owned data(bf.Auto_Decipher(e.data(), 28, &len));
  ASSERT_NE(data, nullptr) << "an empty result is still a result";
  EXPECT_EQ(len, 0u);
  Owned text(bf.Auto_Decipher_Text(e.data(), 28, &len));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text.get()[0], 0);
}

TEST(Reader, RefusesMalformedEnvelopesWithTheirCode) {
  for (const qx::test::MalformedCase& c : qx::test::MalformedCases()) {
    const unsigned char* src = c.null_source ? nullptr : c.envelope.data();
    const std::uint32_t header_len =
        c.envelope.size() >= 8 ? qx::envelope::load_le32(c.envelope.data() + 4) : kUnwritten;
    for (bool text : {false, true}) {
      TBlowfish bf(nullptr);
      bf.Key = c.key;
      std::uint32_t len = kUnwritten;
      Owned out(text ? bf.Auto_Decipher_Text(src, c.length, &len) : bf.Auto_Decipher(src, c.length, &len));
      EXPECT_EQ(out, nullptr) << c.name;
      EXPECT_EQ(bf.GetErrorCode(), c.code) << c.name;
      EXPECT_EQ(len, c.slot_written ? header_len : kUnwritten) << c.name;
    }
    if (c.key != TBlowfish::DefaultKey || c.code == TBlowfish::ErrKeyTooLong) continue;
    // Explicit keying, same key state: same verdict.
    TBlowfish bf(nullptr);
    ASSERT_TRUE(bf.InitializeKey());
    std::uint32_t len = kUnwritten;
    Owned out(bf.Decipher(src, c.length, &len));
    EXPECT_EQ(out, nullptr) << c.name;
    EXPECT_EQ(bf.GetErrorCode(), c.code) << c.name << " (explicit keying)";
  }
}

// Every prefix of a valid envelope is refused: cuts inside the header or a block by the length rules, cuts at a
// block boundary by the plain-body rule or, for a compressed body, by the decompressor.
TEST(Reader, EveryTruncationIsRefused) {
  struct Case {
    const char* name;
    bool compress;
    int code_at_block_boundary;
  };
  const Case cases[] = {{"plain", false, TBlowfish::ErrBadLength}, {"compressed", true, TBlowfish::ErrDecompress}};
  for (const Case& c : cases) {
    const Bytes e = qx::test::WriteEnvelope(qx::test::CompressibleBytes(5000), false, c.compress);
    TBlowfish bf(nullptr);
    ASSERT_TRUE(bf.InitializeKey());
    for (std::uint32_t len = 0; len < e.size(); ++len) {
      std::uint32_t out_len = kUnwritten;
      Owned out(bf.Decipher(e.data(), len, &out_len));
      EXPECT_EQ(out, nullptr) << c.name << " cut to " << len;
      // A compressed marker over an empty body is a contradictory header, refused before deciphering.
      const bool structural = len <= 28 || (len - 28) % 8 != 0;
      EXPECT_EQ(bf.GetErrorCode(), structural ? TBlowfish::ErrBadLength : c.code_at_block_boundary)
          << c.name << " cut to " << len;
    }
  }
}

TEST(Reader, AutoModeLeavesTheKeyStateRebuiltEvenWhenTheReadFails) {
  const Bytes e = qx::test::WriteEnvelope(qx::test::FromText("checked data"), true, false);
  TBlowfish expected(nullptr);
  expected.Key = "wrong key";
  ASSERT_TRUE(expected.InitializeKey());
  TBlowfish bf(nullptr);
  bf.Key = "wrong key";
  std::uint32_t len = 0;
  EXPECT_EQ(bf.Auto_Decipher(e.data(), static_cast<std::uint32_t>(e.size()), &len), nullptr);
  EXPECT_EQ(bf.GetErrorCode(), TBlowfish::ErrChecksum);
  EXPECT_EQ(std::memcmp(&bf.GetKeyState(), &expected.GetKeyState(), sizeof(qx::cipher::KeyState)), 0);
}

TEST(Reader, WithoutAChecksumAWrongKeyGivesWrongDataOfTheRightLength) {
  const Bytes data = qx::test::FromText("no checksum here, twenty-nine");
  const Bytes e = qx::test::WriteEnvelope(data, false, false);
  TBlowfish bf(nullptr);
  bf.Key = "wrong key";
  std::uint32_t len = 0;
  Owned out(bf.Auto_Decipher(e.data(), static_cast<std::uint32_t>(e.size()), &len));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(bf.GetErrorCode(), 0);
  EXPECT_EQ(len, data.size());
  EXPECT_NE(qx::test::Copy(out.get(), len), data);
}

TEST(Reader, IgnoresReservedBytesAndAcceptsNewerVersions) {
  const Bytes data = qx::test::CompressibleBytes(300);
  for (bool compress : {false, true}) {
    Bytes e = qx::test::WriteEnvelope(data, true, compress);
    for (std::size_t reserved : {3u, 9u, 10u, 11u, 20u, 23u, 27u}) e[reserved] = 0xC3;
    e[8] = 6;
    TBlowfish bf(nullptr);
    std::uint32_t len = 0;
    Owned out(bf.Auto_Decipher(e.data(), static_cast<std::uint32_t>(e.size()), &len));
    ASSERT_NE(out, nullptr) << "code " << bf.GetErrorCode();
    EXPECT_EQ(qx::test::Copy(out.get(), len), data);
  }
}

}  // namespace
